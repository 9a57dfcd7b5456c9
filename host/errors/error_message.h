// The pending error as the user sees it: caption, message and the kind of
// box, loaded from the string table (the user-interface language picks the
// table). The main window's checkLastError and the dialog's checkWarning
// only show what this gives.
#pragma once

#include <windows.h>

#include "errors/error_info.h"

constexpr int kErrorTextChars = 260;

struct PendingErrorMessage {
    _kvf_error_level level = KVF_LEVEL_NONE;
    WCHAR caption[kErrorTextChars] = {};
    WCHAR message[kErrorTextChars] = {};
};

// resources: the module whose string table holds the texts (the host
// program). Level 0 when nothing is pending or the id is unknown; the
// message is then empty.
PendingErrorMessage LoadPendingErrorMessage(HINSTANCE resources) noexcept;

// Message-box type for a level: MB_OK | MB_ICONEXCLAMATION for a warning,
// MB_OK | MB_ICONHAND for an error, 0 when nothing is to be shown.
UINT ErrorBoxType(_kvf_error_level level) noexcept;

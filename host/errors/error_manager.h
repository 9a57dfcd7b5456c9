// The one pending error of the host process.
//
// Any part of the program sets it; the main window or the settings dialog
// later looks it up and shows it. The notification thread sets ids 12-14
// while the user-interface thread may be reading or setting another, so the
// id is atomic; the last writer wins.
#pragma once

#include <windows.h>

#include <atomic>

#include "errors/error_info.h"

class CErrorManager {
public:
    static void SetError(_kvf_error_id id) noexcept;
    static _kvf_error_id GetError() noexcept;

    // Level and string id of the pending error. FALSE, with *level 0 and
    // *stringId untouched, when the id has no row in the table.
    static BOOL GetErrorInfo(int *level, int *stringId) noexcept;

    // failed: bit 0 button A, bit 1 button B. 0 clears the pending error;
    // 1, 2 and 3 set the matching warning; anything else clears it too.
    static void SetButtonFunctionErorr(int failed) noexcept;

private:
    static std::atomic<_kvf_error_id> m_ErrorNumber;
};

// The names the rest of the host uses.
void SetError(_kvf_error_id id) noexcept;
void SetButtonFunctionErorr(int failed) noexcept;

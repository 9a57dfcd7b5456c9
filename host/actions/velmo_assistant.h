// The registered window message that tells the companion settings
// application the function buttons are ready.
#pragma once

#include <windows.h>

extern const WCHAR s_sMessageName[];
// 0 until InitializeVelmoAssistant has run.
extern UINT s_uiMessageId;

void InitializeVelmoAssistant() noexcept;

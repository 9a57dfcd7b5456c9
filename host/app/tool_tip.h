// The tray icon's tip, string 400.
#pragma once

#include <windows.h>

extern WCHAR TOOL_TIP[260];

void LoadToolTip() noexcept;

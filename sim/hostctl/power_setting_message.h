// A power setting's change as Windows hands it to a window registered for
// it (RegisterPowerSettingNotification): WM_POWERBROADCAST with
// PBT_POWERSETTINGCHANGE and a POWERBROADCAST_SETTING in the window's own
// process.
#pragma once

#include <windows.h>

#include <optional>

// Sends the record of that setting with a DWORD value to the window of
// another process and waits for the answer; empty when the window's process
// cannot be reached or did not answer in time.
std::optional<LRESULT> SendPowerSetting(HWND window, const GUID &setting, DWORD value);

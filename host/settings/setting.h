// The [Setting] section of the host settings file in memory.
#pragma once

#include <windows.h>

#include "settings/ini_file_path.h"

class CSetting {
public:
    // Resolves IniPath (copying the template on first use); the values stay
    // 0 until LoadSetting.
    CSetting() noexcept;

    // Reads the section; absent keys take their defaults, so a missing file
    // yields only defaults.
    void LoadSetting() noexcept;

    // Validates in a fixed order; the first rule broken sets its error and
    // ends the check.
    bool CheckSetting() noexcept;

    // Writes ButtonASettingId and then ButtonBSettingId back, nothing else.
    bool UpdateSetting() noexcept;

    bool updateInt(LPCWSTR key, int value) noexcept;

    int ButtonADefaultId = 0;
    int ButtonASettingId = 0;
    int ButtonBDefaultId = 0;
    int ButtonBSettingId = 0;
    int ItemNum = 0;
    int ButtonAction = 0;
    WCHAR InkrunKicker[kIniPathChars] = {};
    WCHAR IniPath[kIniPathChars] = {};
};

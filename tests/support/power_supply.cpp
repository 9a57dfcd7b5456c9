#include "power_supply.h"

#include <windows.h>

#include <fstream>

#include "temp_folder.h"

namespace kivotest {

PowerSupply::PowerSupply()
{
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"KIVO_POWER_SUPPLY_DIR", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || path[0] != L'/')
        return;
    folder_ = std::wstring(L"Z:") + path;
    for (wchar_t &c : folder_)
        c = c == L'/' ? L'\\' : c;
}

bool PowerSupply::Write(const wchar_t *name, const std::string &text)
{
    // A reader must never see a file cut short: an empty "online" reads as 0.
    const std::wstring path = folder_ + L"\\" + name, temporary = path + L".new";
    if (!(std::ofstream(temporary.c_str(), std::ios::binary) << text << "\n"))
        return false;
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool PowerSupply::SetAc(AcState state)
{
    ac_ = state;
    if (!available() || (state == AcState::Absent && !RemoveFolderTree(folder_ + L"\\AC")))
        return false;
    if (state != AcState::Absent) {
        CreateDirectoryW((folder_ + L"\\AC").c_str(), nullptr);
        const char *online = state == AcState::Online ? "1" : state == AcState::Offline ? "0" : "255";
        if (!Write(L"AC\\type", "Mains") || !Write(L"AC\\online", online))
            return false;
    }
    return SetBatteryPercent(percent_);
}

bool PowerSupply::SetBatteryPercent(unsigned percent)
{
    if (!available() || percent > 100)
        return false;
    percent_ = percent;
    const char *status = ac_ == AcState::Offline ? "Discharging" : percent < 100 ? "Charging" : "Full";
    // charge_full is 5000000 (µAh), as power-run.sh writes it.
    return Write(L"BAT0\\status", status) && Write(L"BAT0\\charge_now", std::to_string(percent * 50000));
}

} // namespace kivotest

#include "power_supply.h"

#include <windows.h>

#include <fstream>

#include "temp_folder.h"

namespace kivotest {

namespace {

// The whole battery in the numbers Wine reads (µAh, µV): percent times
// this gives charge_now, and 100 % is charge_full.
constexpr unsigned long kChargePerPercent = 50000;

} // namespace

PowerSupply::PowerSupply()
{
    wchar_t unixPath[MAX_PATH] = L"";
    const DWORD length = GetEnvironmentVariableW(L"KIVO_POWER_SUPPLY_DIR", unixPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || unixPath[0] != L'/')
        return;
    folder_ = std::wstring(L"Z:") + unixPath;
    for (wchar_t &c : folder_) {
        if (c == L'/')
            c = L'\\';
    }
}

bool PowerSupply::Write(const std::wstring &name, const std::string &text)
{
    // A reader must never see a file cut short (an empty "online" reads as
    // 0): the new text replaces the file whole.
    const std::wstring path = folder_ + L"\\" + name;
    const std::wstring temporary = path + L".new";
    {
        std::ofstream out(temporary.c_str(), std::ios::binary | std::ios::trunc);
        out << text << "\n";
        if (!out)
            return false;
    }
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool PowerSupply::WriteBatteryStatus()
{
    const char *status = ac_ == AcState::Offline ? "Discharging"
                         : percent_ >= 100        ? "Full"
                                                  : "Charging";
    return Write(L"BAT0\\status", status) &&
           Write(L"BAT0\\charge_now", std::to_string(percent_ * kChargePerPercent));
}

bool PowerSupply::SetAc(AcState state)
{
    if (!available())
        return false;
    ac_ = state;
    const std::wstring ac = folder_ + L"\\AC";
    if (state == AcState::Absent)
        return RemoveFolderTree(ac) && WriteBatteryStatus();
    CreateDirectoryW(ac.c_str(), nullptr);
    const char *online = state == AcState::Online ? "1" : state == AcState::Offline ? "0" : "255";
    return Write(L"AC\\type", "Mains") && Write(L"AC\\online", online) && WriteBatteryStatus();
}

bool PowerSupply::SetBatteryPercent(unsigned percent)
{
    if (!available() || percent > 100)
        return false;
    percent_ = percent;
    return WriteBatteryStatus();
}

} // namespace kivotest

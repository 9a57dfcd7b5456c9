// The power state a test sets for the programs it runs: whether the charger
// is plugged in and how full the battery is, as GetSystemPowerStatus reports
// it. Available in tests registered with POWER (cmake/KivoTestBed.cmake):
// they run in a mount namespace of their own where the directory named by
// KIVO_POWER_SUPPLY_DIR stands in for /sys/class/power_supply, which Wine
// reads on every call. The files are changed in place, each one replaced
// whole, so the change shows at the next call of any process of the test.
//
// What Wine 8 makes of the files: ACLineStatus is the byte of the number in
// AC/online ("255" gives 255, unknown); without a Mains entry it reports 1.
// BatteryLifePercent is charge_now / charge_full, and only with voltage_now
// present (100 otherwise); a battery without "status" is no battery (255).
#pragma once

#include <string>

namespace kivotest {

enum class AcState {
    Offline, // ACLineStatus 0
    Online,  // 1
    Unknown, // 255
    Absent,  // no AC entry at all; Wine then reports 1, as a desktop does
};

class PowerSupply {
public:
    PowerSupply();
    // False when the test does not run with a power state of its own.
    bool available() const { return !folder_.empty(); }
    bool SetAc(AcState state);
    bool SetBatteryPercent(unsigned percent);
    // On AC with the battery full: how the test bed starts.
    bool Reset() { return SetAc(AcState::Online) && SetBatteryPercent(100); }

private:
    bool Write(const std::wstring &name, const std::string &text);
    bool WriteBatteryStatus();

    std::wstring folder_; // the directory seen from Wine (Z:)
    AcState ac_ = AcState::Online;
    unsigned percent_ = 100;
};

} // namespace kivotest

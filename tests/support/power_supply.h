// The power state a test sets for itself and the programs it starts, as
// GetSystemPowerStatus reports it. Only in tests registered with POWER
// (cmake/KivoTestBed.cmake): in their own mount namespace the directory
// named by KIVO_POWER_SUPPLY_DIR stands in for /sys/class/power_supply,
// which Wine reads on every call. Each file is replaced whole, so a change
// shows at the next call of any process of the test.
//
// Wine 8 reads: ACLineStatus = the byte of the number in AC/online ("255"
// is unknown), 1 without a Mains entry; the percentage from charge_now /
// charge_full (with voltage_now, which power-run.sh writes); a battery
// without "status" is none.
#pragma once

#include <string>

namespace kivotest {

enum class AcState { Offline, Online, Unknown, Absent };

class PowerSupply {
public:
    PowerSupply();
    // False when the test has no power state of its own.
    bool available() const { return !folder_.empty(); }
    bool SetAc(AcState state);
    bool SetBatteryPercent(unsigned percent);
    // On AC with the battery full, as the test starts.
    bool Reset() { return SetAc(AcState::Online) && SetBatteryPercent(100); }

private:
    bool Write(const wchar_t *name, const std::string &text);

    std::wstring folder_; // seen from Wine, through Z:
    AcState ac_ = AcState::Online;
    unsigned percent_ = 100;
};

} // namespace kivotest

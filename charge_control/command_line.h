// What the charge command line was asked to do.
#pragma once

#include <cstdint>

namespace chargectl {

enum class Action {
    Help,
    Status,
    SetBattery,
    StartFullChargeOnce,
    EndFullChargeOnce,
    SetUsb,
    Invalid,
};

struct Command {
    Action action = Action::Invalid;
    // The library's value: battery 0 = 100 %, 1 = 80 %, 2 = 50 %; USB 0 off,
    // 1 on.
    std::uint32_t value = 0;
};

// argv without the program name. Words are compared exactly ("status",
// "battery 100|80|50", "battery full-once [end]", "usb on|off", "--help");
// anything else is Invalid.
Command ParseCommandLine(int argc, const wchar_t *const *argv);

} // namespace chargectl

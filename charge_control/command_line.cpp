#include "command_line.h"

#include <string_view>

namespace chargectl {

namespace {

struct Word {
    std::wstring_view text;
    std::uint32_t value;
};

constexpr Word kBatteryLimits[] = {{L"100", 0}, {L"80", 1}, {L"50", 2}};
constexpr Word kUsbStates[] = {{L"off", 0}, {L"on", 1}};
constexpr std::wstring_view kFullOnce = L"full-once";

template <std::size_t N>
bool Lookup(const Word (&words)[N], std::wstring_view text, std::uint32_t &value)
{
    for (const Word &word : words) {
        if (word.text == text) {
            value = word.value;
            return true;
        }
    }
    return false;
}

} // namespace

Command ParseCommandLine(int argc, const wchar_t *const *argv)
{
    Command command;
    if (argc == 1) {
        const std::wstring_view word = argv[0];
        if (word == L"--help" || word == L"-h" || word == L"/?")
            command.action = Action::Help;
        else if (word == L"status")
            command.action = Action::Status;
        return command;
    }
    if (argc == 2) {
        const std::wstring_view word = argv[0];
        if (word == L"battery" && Lookup(kBatteryLimits, argv[1], command.value))
            command.action = Action::SetBattery;
        else if (word == L"battery" && std::wstring_view(argv[1]) == kFullOnce)
            command.action = Action::StartFullChargeOnce;
        else if (word == L"usb" && Lookup(kUsbStates, argv[1], command.value))
            command.action = Action::SetUsb;
    }
    if (argc == 3 && std::wstring_view(argv[0]) == L"battery" &&
        std::wstring_view(argv[1]) == kFullOnce && std::wstring_view(argv[2]) == L"end")
        command.action = Action::EndFullChargeOnce;
    return command;
}

} // namespace chargectl

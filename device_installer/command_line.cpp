#include "command_line.h"

#include <windows.h>

#include <cwchar>

namespace kivodevinst {

namespace {

struct Switch {
    const wchar_t *text;
    Command command;
};

// Whole words: "/SetupInstallX" is no switch at all.
constexpr Switch kSetupSwitches[] = {
    {L"/SetupInstall", Command::SetupInstall},
    {L"/SetupInstallSilent", Command::SetupInstallSilent},
    {L"/SetupUninstall", Command::SetupUninstall},
};

// Prefixes: "/InstallNow" installs.
constexpr Switch kSwitches[] = {
    {L"/Install", Command::Install},
    {L"-Install", Command::Install},
    {L"/Uninstall", Command::Uninstall},
    {L"-Uninstall", Command::Uninstall},
};

} // namespace

Command ParseCommand(int argc, const wchar_t *const *argv)
{
    if (argc != 2 || argv == nullptr || argv[1] == nullptr)
        return Command::None;
    for (const Switch &candidate : kSetupSwitches) {
        if (CompareStringOrdinal(argv[1], -1, candidate.text, -1, TRUE) == CSTR_EQUAL)
            return candidate.command;
    }
    for (const Switch &candidate : kSwitches) {
        if (_wcsnicmp(argv[1], candidate.text, wcslen(candidate.text)) == 0)
            return candidate.command;
    }
    return Command::None;
}

} // namespace kivodevinst

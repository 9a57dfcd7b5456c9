// KivoDevInst: binds the function button driver package to the ACPI device,
// or removes the device. Started by the outside installer with one switch;
// it reports only through its exit code and prints nothing.
#include <windows.h>

#include "command_line.h"
#include "device_operations.h"

int wmain(int argc, wchar_t **argv)
{
    switch (kivodevinst::ParseCommand(argc, argv)) {
    case kivodevinst::Command::Install:
        return kivodevinst::InstallDevice();
    case kivodevinst::Command::Uninstall:
        return kivodevinst::RemoveDevices();
    case kivodevinst::Command::SetupInstall:
        return kivodevinst::SetupInstallDevice(false);
    case kivodevinst::Command::SetupInstallSilent:
        return kivodevinst::SetupInstallDevice(true);
    case kivodevinst::Command::SetupUninstall:
        return kivodevinst::SetupRemoveDevices();
    case kivodevinst::Command::None:
        break;
    }
    return kivodevinst::kExitFailure;
}

// The program's exit codes, and how the results of a deployment command
// become one. The original switches keep their codes (0, 1, 2) and look at
// no restart request; the deployment switches add 3010, 3 and 4.
#pragma once

#include <windows.h>

namespace kivodevinst {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNoDeviceList = 1;
inline constexpr int kExitFailure = 2;
inline constexpr int kExitNodeNotRemoved = 3;
inline constexpr int kExitPackageNotRemoved = 4;
// ERROR_SUCCESS_REBOOT_REQUIRED: deployment tools read it as "done, a
// restart is pending".
inline constexpr int kExitRestartNeeded = 3010;

// True when a device's install parameters ask for a restart
// (DI_NEEDREBOOT or DI_NEEDRESTART).
bool InstallParamsAskForRestart(DWORD flags);

// "/SetupInstall": 0, 3010 when the driver is installed and a restart
// completes it, 2 when it is not installed.
int SetupInstallExitCode(bool installed, bool restartNeeded);

// What "/SetupUninstall" achieved.
struct RemovalResult {
    bool deviceListObtained = false;
    bool everyNodeRemoved = false;
    bool packagesRemoved = false;
    bool restartNeeded = false;
};

// 1 without the device list; 3 when a node stayed (its package then stays
// too); 4 when a package stayed in the driver store; else 3010 when a
// restart completes the removal, 0 when it is complete.
int SetupUninstallExitCode(const RemovalResult &result);

} // namespace kivodevinst

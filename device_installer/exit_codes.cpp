#include "exit_codes.h"

#include <setupapi.h>

namespace kivodevinst {

bool InstallParamsAskForRestart(DWORD flags)
{
    return (flags & (DI_NEEDREBOOT | DI_NEEDRESTART)) != 0;
}

int SetupInstallExitCode(bool installed, bool restartNeeded)
{
    if (!installed)
        return kExitFailure;
    return restartNeeded ? kExitRestartNeeded : kExitSuccess;
}

int SetupUninstallExitCode(const RemovalResult &result)
{
    if (!result.deviceListObtained)
        return kExitNoDeviceList;
    if (!result.everyNodeRemoved)
        return kExitNodeNotRemoved;
    if (!result.packagesRemoved)
        return kExitPackageNotRemoved;
    return result.restartNeeded ? kExitRestartNeeded : kExitSuccess;
}

} // namespace kivodevinst

// The install commands: the driver package that lies beside the program is
// bound to the device, on a root-enumerated node made first when the
// machine has none.
#include "device_info_list.h"
#include "device_operations.h"
#include "inf_path.h"

#include <cfgmgr32.h>
#include <newdev.h>
#include <strsafe.h>

#include "win32/unique_find.h"

namespace kivodevinst {

namespace {

bool FileExists(const wchar_t *path)
{
    WIN32_FIND_DATAW found{};
    const UniqueFind search(FindFirstFileW(path, &found));
    return search.valid();
}

// The node's install parameters in the set that made it: the class
// installer leaves its restart request there.
bool NodeAsksForRestart(HDEVINFO set, SP_DEVINFO_DATA *device)
{
    SP_DEVINSTALL_PARAMS_W params{};
    params.cbSize = sizeof(params);
    return SetupDiGetDeviceInstallParamsW(set, device, &params) &&
           InstallParamsAskForRestart(params.Flags);
}

} // namespace

bool RegisterAndInstallDevice(const wchar_t *hardwareId, const wchar_t *infPath,
                              BOOL *rebootRequired)
{
    return RegisterAndInstallDevice(hardwareId, infPath, INSTALLFLAG_FORCE, rebootRequired);
}

bool RegisterAndInstallDevice(const wchar_t *hardwareId, const wchar_t *infPath,
                              DWORD installFlags, BOOL *rebootRequired)
{
    // The hardware-id property is a multi-string: the id, its terminator and
    // the list's final zero, (length + 2) characters in all.
    wchar_t idList[MAX_DEVICE_ID_LEN + 2] = {};
    size_t idLength = 0;
    if (FAILED(StringCchLengthW(hardwareId, MAX_DEVICE_ID_LEN, &idLength)) ||
        FAILED(StringCchCopyW(idList, MAX_DEVICE_ID_LEN, hardwareId))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }

    GUID classGuid{};
    wchar_t className[MAX_CLASS_NAME_LEN] = {};
    if (!SetupDiGetINFClassW(infPath, &classGuid, className, MAX_CLASS_NAME_LEN, nullptr))
        return false;

    // Every return below leaves the last-error code of its verdict: the set
    // keeps it when it goes.
    DeviceInfoList set(SetupDiCreateDeviceInfoList(&classGuid, nullptr));
    if (!set.valid())
        return false;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!SetupDiCreateDeviceInfoW(set.get(), className, &classGuid, nullptr, nullptr,
                                  DICD_GENERATE_ID, &device) ||
        !SetupDiSetDeviceRegistryPropertyW(
            set.get(), &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE *>(idList),
            static_cast<DWORD>((idLength + 2) * sizeof(wchar_t))) ||
        !SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.get(), &device))
        return false;

    BOOL updateAsksForRestart = FALSE;
    if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId, infPath, installFlags,
                                            &updateAsksForRestart)) {
        // A node without its driver is of no use to anyone: take back what
        // this run registered, but report why the update failed.
        const DWORD error = GetLastError();
        SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device);
        SetLastError(error);
        return false;
    }
    const bool restart = updateAsksForRestart || NodeAsksForRestart(set.get(), &device);
    if (rebootRequired != nullptr)
        *rebootRequired = restart ? TRUE : FALSE;
    SetLastError(ERROR_SUCCESS);
    return true;
}

InstallResult InstallDriverPackage(DWORD installFlags)
{
    wchar_t infPath[MAX_PATH] = {};
    if (!InfPathBesideProgram(infPath) || !FileExists(infPath))
        return {};

    BOOL rebootRequired = FALSE;
    bool installed = false;
    if (IsDevicePresent(kHardwareId)) {
        installed = UpdateDriverForPlugAndPlayDevicesW(nullptr, kHardwareId, infPath, installFlags,
                                                       &rebootRequired) != FALSE;
    } else if (GetLastError() == ERROR_NO_MORE_ITEMS) {
        installed = RegisterAndInstallDevice(kHardwareId, infPath, installFlags, &rebootRequired);
    } // else the search itself failed
    return {installed, installed && rebootRequired != FALSE};
}

int InstallDevice()
{
    // The restart request is not looked at: this command never restarts the
    // machine nor asks for it, as its callers expect.
    return InstallDriverPackage(INSTALLFLAG_FORCE).installed ? kExitSuccess : kExitFailure;
}

int SetupInstallDevice(bool silent)
{
    // Silent also for the class installers and SetupAPI's own prompts (a
    // missing source file, say): they fail instead of asking anybody.
    if (silent)
        SetupSetNonInteractiveMode(TRUE);
    const DWORD flags = silent ? INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE : INSTALLFLAG_FORCE;
    const InstallResult result = InstallDriverPackage(flags);
    return SetupInstallExitCode(result.installed, result.restartNeeded);
}

} // namespace kivodevinst

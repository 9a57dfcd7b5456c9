// InstallDevice and RegisterAndInstallDevice: "/Install" binds the driver
// package that lies beside the program to the device, creating a
// root-enumerated node first when the machine has none.
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

} // namespace

bool RegisterAndInstallDevice(const wchar_t *hardwareId, const wchar_t *infPath,
                              BOOL *rebootRequired)
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

    {
        DeviceInfoList set(SetupDiCreateDeviceInfoList(&classGuid, nullptr));
        if (!set.valid())
            return false;

        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (SetupDiCreateDeviceInfoW(set.get(), className, &classGuid, nullptr, nullptr,
                                     DICD_GENERATE_ID, &device) &&
            SetupDiSetDeviceRegistryPropertyW(
                set.get(), &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE *>(idList),
                static_cast<DWORD>((idLength + 2) * sizeof(wchar_t))) &&
            SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.get(), &device)) {
            if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE,
                                                    rebootRequired)) {
                // A node without its driver is of no use to anyone: take back
                // what this run registered, but report why the update failed.
                const DWORD error = GetLastError();
                SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device);
                SetLastError(error);
            }
        }
    } // the set goes, the last-error code stays
    // The verdict is the last-error code the steps left, not the result of
    // the last call.
    return GetLastError() == ERROR_SUCCESS;
}

int InstallDevice()
{
    wchar_t infPath[MAX_PATH] = {};
    if (!InfPathBesideProgram(infPath) || !FileExists(infPath))
        return kExitFailure;

    // The reboot flag is not looked at: this program never restarts the
    // machine nor asks for it.
    BOOL rebootRequired = FALSE;
    if (IsDevicePresent(kHardwareId)) {
        return UpdateDriverForPlugAndPlayDevicesW(nullptr, kHardwareId, infPath, INSTALLFLAG_FORCE,
                                                  &rebootRequired)
                   ? kExitSuccess
                   : kExitFailure;
    }
    if (GetLastError() != ERROR_NO_MORE_ITEMS)
        return kExitFailure; // the search itself failed
    return RegisterAndInstallDevice(kHardwareId, infPath, &rebootRequired) ? kExitSuccess
                                                                           : kExitFailure;
}

} // namespace kivodevinst

// The uninstall commands: every present node with the hardware id is taken
// away. "/Uninstall" leaves the driver package in the driver store and
// reports only whether the device list was had; "/SetupUninstall" checks
// each removal and takes the nodes' packages out of the store as well.
#include "device_info_list.h"
#include "device_operations.h"
#include "driver_store.h"
#include "hardware_ids.h"

namespace kivodevinst {

namespace {

// Removes the node; true when the class installer did. A removal that the
// class installer completes only at the next start says so in the node's
// install parameters.
bool RemoveNode(HDEVINFO set, SP_DEVINFO_DATA *device, bool &restartNeeded)
{
    if (!SetupDiCallClassInstaller(DIF_REMOVE, set, device))
        return false;
    SP_DEVINSTALL_PARAMS_W params{};
    params.cbSize = sizeof(params);
    if (SetupDiGetDeviceInstallParamsW(set, device, &params) &&
        InstallParamsAskForRestart(params.Flags))
        restartNeeded = true;
    return true;
}

} // namespace

int RemoveDevices()
{
    DeviceInfoList set(GetPresentDevices());
    if (!set.valid())
        return kExitNoDeviceList;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
        DWORD error = ERROR_SUCCESS;
        const HardwareIdCheck check = CheckHardwareIds(set.get(), &device, kHardwareId, error);
        if (check == HardwareIdCheck::Failed)
            break; // the scan ends early; what was removed so far stays removed
        // A node that cannot be removed is left; the next one is still tried.
        if (check == HardwareIdCheck::Matches)
            SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device);
    }
    return kExitSuccess;
}

int SetupRemoveDevices()
{
    RemovalResult result;
    PackageList packages;
    bool packageUnknown = false;
    {
        DeviceInfoList set(GetPresentDevices());
        if (!set.valid())
            return SetupUninstallExitCode(result);
        result.deviceListObtained = true;
        result.everyNodeRemoved = true;

        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
            DWORD error = ERROR_SUCCESS;
            const HardwareIdCheck check = CheckHardwareIds(set.get(), &device, kHardwareId, error);
            if (check == HardwareIdCheck::DoesNotMatch)
                continue;
            // A device whose ids cannot be read may be ours and use the
            // package: it counts as a node that stays, and the others are
            // still tried.
            if (check == HardwareIdCheck::Failed) {
                result.everyNodeRemoved = false;
                continue;
            }
            std::wstring infName;
            const PackageLookup lookup = FindPublishedInf(set.get(), &device, infName);
            if (!RemoveNode(set.get(), &device, result.restartNeeded)) {
                result.everyNodeRemoved = false;
                continue;
            }
            if (lookup == PackageLookup::Found)
                packages.add(infName);
            else if (lookup == PackageLookup::Unreadable)
                packageUnknown = true;
        }
        // An enumeration cut short may have left nodes of ours unseen.
        if (GetLastError() != ERROR_NO_MORE_ITEMS)
            result.everyNodeRemoved = false;
    }
    // A package stays while a node of ours may still use it.
    if (result.everyNodeRemoved)
        result.packagesRemoved = RemoveFromDriverStore(packages) && !packageUnknown;
    return SetupUninstallExitCode(result);
}

} // namespace kivodevinst

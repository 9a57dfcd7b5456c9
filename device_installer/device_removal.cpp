// RemoveDevices: "/Uninstall" takes away every present node with the
// hardware id. The driver package stays in the driver store.
#include "device_info_list.h"
#include "device_operations.h"
#include "hardware_ids.h"

namespace kivodevinst {

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

} // namespace kivodevinst

// IsDevicePresent: is a device with the hardware id present now?
#include "device_info_list.h"
#include "device_operations.h"
#include "hardware_ids.h"

namespace kivodevinst {

bool IsDevicePresent(const wchar_t *hardwareId)
{
    {
        DeviceInfoList set(GetPresentDevices());
        if (!set.valid())
            return false;

        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        // The enumeration's own end leaves ERROR_NO_MORE_ITEMS, the
        // installer's sign that no such device exists.
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
            DWORD error = ERROR_SUCCESS;
            const HardwareIdCheck check = CheckHardwareIds(set.get(), &device, hardwareId, error);
            if (check == HardwareIdCheck::Matches) {
                SetLastError(ERROR_SUCCESS);
                break;
            }
            if (check == HardwareIdCheck::Failed) {
                SetLastError(error);
                break;
            }
        }
    } // the set goes, the last-error code stays
    return GetLastError() == ERROR_SUCCESS;
}

} // namespace kivodevinst

#include "hardware_ids.h"

#include <cwchar>

namespace kivodevinst {

namespace {

// A zero-filled LocalAlloc buffer, freed when it goes away or is replaced.
class LocalBuffer {
public:
    LocalBuffer() = default;
    ~LocalBuffer() { LocalFree(data_); }
    LocalBuffer(const LocalBuffer &) = delete;
    LocalBuffer &operator=(const LocalBuffer &) = delete;

    bool allocate(DWORD size)
    {
        LocalFree(data_);
        data_ = static_cast<BYTE *>(LocalAlloc(LMEM_ZEROINIT, size));
        size_ = data_ != nullptr ? size : 0;
        return data_ != nullptr;
    }
    BYTE *data() const { return data_; }
    DWORD size() const { return size_; }

private:
    BYTE *data_ = nullptr;
    DWORD size_ = 0;
};

} // namespace

bool HardwareIdListHolds(const wchar_t *list, size_t units, const wchar_t *hardwareId)
{
    if (list == nullptr)
        return false;
    const size_t idLength = wcslen(hardwareId);
    size_t position = 0;
    while (position < units) {
        const size_t length = wcsnlen(list + position, units - position);
        if (length == 0)
            break;
        if (length == idLength && wmemcmp(list + position, hardwareId, idLength) == 0)
            return true;
        position += length + 1;
    }
    return false;
}

HardwareIdCheck CheckHardwareIds(HDEVINFO set, SP_DEVINFO_DATA *device, const wchar_t *hardwareId,
                                 DWORD &error)
{
    LocalBuffer ids;
    DWORD required = 0;
    error = ERROR_SUCCESS;
    while (!SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, nullptr, ids.data(),
                                              ids.size(), &required)) {
        const DWORD failure = GetLastError();
        if (failure == ERROR_INVALID_DATA)
            return HardwareIdCheck::DoesNotMatch; // the device has no hardware ids
        if (failure != ERROR_INSUFFICIENT_BUFFER) {
            error = failure;
            return HardwareIdCheck::Failed;
        }
        if (!ids.allocate(required)) {
            error = ERROR_NOT_ENOUGH_MEMORY;
            return HardwareIdCheck::Failed;
        }
    }
    // A successful call reports the size of the data it returned.
    const DWORD dataSize = required < ids.size() ? required : ids.size();
    return HardwareIdListHolds(reinterpret_cast<const wchar_t *>(ids.data()),
                               dataSize / sizeof(wchar_t), hardwareId)
               ? HardwareIdCheck::Matches
               : HardwareIdCheck::DoesNotMatch;
}

HDEVINFO GetPresentDevices()
{
    return SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
}

} // namespace kivodevinst

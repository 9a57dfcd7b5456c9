// kvfbsetup: installs or removes the simulated function button device the way
// Windows does for a root-enumerated device. Test bed only.
//
//   kvfbsetup install <inf>   create a root node "ACPI\ZRN5001" (when none is
//                             present) and install the driver from <inf>
//   kvfbsetup remove          remove every present node with that id
//   kvfbsetup count           print how many present nodes carry that id
//
// Exit code 0 on success, 1 on failure (with a message on stderr).
#include <windows.h>

#include <devguid.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kHardwareId[] = L"ACPI\\ZRN5001";
constexpr DWORD kClassNameLength = 32; // MAX_CLASS_NAME_LEN

class DeviceInfoSet {
public:
    explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
    ~DeviceInfoSet()
    {
        if (valid())
            SetupDiDestroyDeviceInfoList(set_);
    }
    DeviceInfoSet(const DeviceInfoSet &) = delete;
    DeviceInfoSet &operator=(const DeviceInfoSet &) = delete;
    bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const { return set_; }

private:
    HDEVINFO set_;
};

bool HasHardwareId(HDEVINFO set, SP_DEVINFO_DATA *device)
{
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, nullptr, nullptr, 0, &size);
    if (size == 0)
        return false;
    std::vector<wchar_t> ids(size / sizeof(wchar_t) + 2, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE *>(ids.data()), size, nullptr))
        return false;
    for (const wchar_t *id = ids.data(); *id != L'\0'; id += wcslen(id) + 1) {
        if (wcscmp(id, kHardwareId) == 0)
            return true;
    }
    return false;
}

// Calls action(set, device) for each present node with the hardware id and
// returns how many there were, or -1 when the device list is not available.
template <typename Action> int ForEachDevice(Action action)
{
    DeviceInfoSet set(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!set.valid())
        return -1;
    int found = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
        if (HasHardwareId(set.get(), &device)) {
            ++found;
            action(set.get(), &device);
        }
    }
    return found;
}

int Fail(const wchar_t *what)
{
    fwprintf(stderr, L"kvfbsetup: %ls failed (error %lu)\n", what, GetLastError());
    return 1;
}

int Install(const wchar_t *inf)
{
    wchar_t fullInf[MAX_PATH];
    if (GetFullPathNameW(inf, MAX_PATH, fullInf, nullptr) == 0)
        return Fail(L"GetFullPathNameW");
    if (GetFileAttributesW(fullInf) == INVALID_FILE_ATTRIBUTES)
        return Fail(L"finding the INF");

    const int present = ForEachDevice([](HDEVINFO, SP_DEVINFO_DATA *) {});
    if (present < 0)
        return Fail(L"SetupDiGetClassDevsW");
    if (present == 0) {
        GUID classGuid;
        wchar_t className[kClassNameLength];
        if (!SetupDiGetINFClassW(fullInf, &classGuid, className, kClassNameLength, nullptr))
            return Fail(L"SetupDiGetINFClassW");
        DeviceInfoSet set(SetupDiCreateDeviceInfoList(&classGuid, nullptr));
        if (!set.valid())
            return Fail(L"SetupDiCreateDeviceInfoList");
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!SetupDiCreateDeviceInfoW(set.get(), className, &classGuid, nullptr, nullptr,
                                      DICD_GENERATE_ID, &device))
            return Fail(L"SetupDiCreateDeviceInfoW");
        wchar_t ids[std::size(kHardwareId) + 1] = {};
        wmemcpy(ids, kHardwareId, std::size(kHardwareId));
        if (!SetupDiSetDeviceRegistryPropertyW(set.get(), &device, SPDRP_HARDWAREID,
                                               reinterpret_cast<const BYTE *>(ids), sizeof(ids)))
            return Fail(L"SetupDiSetDeviceRegistryPropertyW");
        if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.get(), &device))
            return Fail(L"DIF_REGISTERDEVICE");
    }
    BOOL reboot = FALSE;
    if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, kHardwareId, fullInf, INSTALLFLAG_FORCE, &reboot))
        return Fail(L"UpdateDriverForPlugAndPlayDevicesW");
    return 0;
}

int Remove()
{
    bool ok = true;
    const int found = ForEachDevice([&ok](HDEVINFO set, SP_DEVINFO_DATA *device) {
        if (!SetupDiCallClassInstaller(DIF_REMOVE, set, device))
            ok = false;
    });
    if (found < 0)
        return Fail(L"SetupDiGetClassDevsW");
    return ok ? 0 : Fail(L"DIF_REMOVE");
}

int Count()
{
    const int found = ForEachDevice([](HDEVINFO, SP_DEVINFO_DATA *) {});
    if (found < 0)
        return Fail(L"SetupDiGetClassDevsW");
    wprintf(L"%d\n", found);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc == 3 && wcscmp(argv[1], L"install") == 0)
        return Install(argv[2]);
    if (argc == 2 && wcscmp(argv[1], L"remove") == 0)
        return Remove();
    if (argc == 2 && wcscmp(argv[1], L"count") == 0)
        return Count();
    fwprintf(stderr, L"usage: kvfbsetup install <inf> | remove | count\n");
    return 1;
}

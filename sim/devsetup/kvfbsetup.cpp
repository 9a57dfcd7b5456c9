// kvfbsetup: clears the simulated function button device away, whatever
// state an earlier run left it in, independently of the product's own
// installer (which installs it). Test bed only.
//
//   kvfbsetup remove          remove every present node "ACPI\ZRN5001"
//   kvfbsetup count           print how many present nodes carry that id
//
// Exit code 0 on success, 1 on failure (with a message on stderr).
#include <windows.h>

#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kHardwareId[] = L"ACPI\\ZRN5001";

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
    if (argc == 2 && wcscmp(argv[1], L"remove") == 0)
        return Remove();
    if (argc == 2 && wcscmp(argv[1], L"count") == 0)
        return Count();
    fwprintf(stderr, L"usage: kvfbsetup remove | count\n");
    return 1;
}

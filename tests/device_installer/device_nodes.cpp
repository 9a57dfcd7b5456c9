#include "device_nodes.h"

#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <cstring>
#include <cwchar>

#include "device_info_list.h"
#include "win32/unique_handle.h"

namespace devinsttest {

namespace {

std::optional<std::vector<BYTE>> Property(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD property)
{
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr, nullptr, 0, &size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr, data.data(), size,
                                           &size))
        return std::nullopt;
    data.resize(size);
    return data;
}

// The strings of a multi-string property.
std::vector<std::wstring> Strings(const std::vector<BYTE> &data)
{
    std::vector<std::wstring> strings;
    const auto *text = reinterpret_cast<const wchar_t *>(data.data());
    const size_t units = data.size() / sizeof(wchar_t);
    size_t position = 0;
    while (position < units) {
        const size_t length = wcsnlen(text + position, units - position);
        if (length == 0)
            break;
        strings.emplace_back(text + position, length);
        position += length + 1;
    }
    return strings;
}

std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA *device)
{
    wchar_t id[MAX_DEVICE_ID_LEN] = {};
    if (!SetupDiGetDeviceInstanceIdW(set, device, id, MAX_DEVICE_ID_LEN, nullptr))
        return {};
    return id;
}

// Runs the action on the node with the instance id, in a set of its own.
template <typename Action>
auto WithNode(const std::wstring &instanceId, Action action)
    -> decltype(action(HDEVINFO{}, static_cast<SP_DEVINFO_DATA *>(nullptr)))
{
    kivodevinst::DeviceInfoList set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!set.valid() || !SetupDiOpenDeviceInfoW(set.get(), instanceId.c_str(), nullptr, 0, &device))
        return {};
    return action(set.get(), &device);
}

} // namespace

std::vector<std::wstring> NodesWithHardwareId(const std::wstring &hardwareId, bool presentOnly,
                                              bool *ok)
{
    std::vector<std::wstring> nodes;
    kivodevinst::DeviceInfoList set(SetupDiGetClassDevsW(
        nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | (presentOnly ? DIGCF_PRESENT : 0)));
    if (ok != nullptr)
        *ok = set.valid();
    if (!set.valid())
        return nodes;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
        const auto ids = Property(set.get(), &device, SPDRP_HARDWAREID);
        if (!ids)
            continue;
        for (const std::wstring &id : Strings(*ids)) {
            if (id == hardwareId) {
                nodes.push_back(InstanceId(set.get(), &device));
                break;
            }
        }
    }
    return nodes;
}

std::optional<std::wstring> CreateRootNode(const std::vector<std::wstring> &hardwareIds,
                                           const GUID &classGuid, const wchar_t *className)
{
    kivodevinst::DeviceInfoList set(SetupDiCreateDeviceInfoList(&classGuid, nullptr));
    if (!set.valid())
        return std::nullopt;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!SetupDiCreateDeviceInfoW(set.get(), className, &classGuid, nullptr, nullptr,
                                  DICD_GENERATE_ID, &device))
        return std::nullopt;
    std::vector<wchar_t> list;
    for (const std::wstring &id : hardwareIds) {
        list.insert(list.end(), id.begin(), id.end());
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    if (!SetupDiSetDeviceRegistryPropertyW(set.get(), &device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE *>(list.data()),
                                           static_cast<DWORD>(list.size() * sizeof(wchar_t))))
        return std::nullopt;
    if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.get(), &device))
        return std::nullopt;
    return InstanceId(set.get(), &device);
}

bool RemoveNode(const std::wstring &instanceId)
{
    return WithNode(instanceId, [](HDEVINFO set, SP_DEVINFO_DATA *device) {
        return SetupDiCallClassInstaller(DIF_REMOVE, set, device) != FALSE;
    });
}

std::optional<std::vector<BYTE>> NodeProperty(const std::wstring &instanceId, DWORD property)
{
    return WithNode(instanceId, [property](HDEVINFO set, SP_DEVINFO_DATA *device) {
        return Property(set, device, property);
    });
}

std::optional<std::wstring> NodeText(const std::wstring &instanceId, DWORD property)
{
    const auto data = NodeProperty(instanceId, property);
    if (!data)
        return std::nullopt;
    const auto *text = reinterpret_cast<const wchar_t *>(data->data());
    return std::wstring(text, wcsnlen(text, data->size() / sizeof(wchar_t)));
}

bool ButtonDeviceOpens(DWORD *error)
{
    UniqueHandle device(CreateFileW(L"\\\\.\\KVFB", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    if (error != nullptr)
        *error = device.valid() ? ERROR_SUCCESS : GetLastError();
    return device.valid();
}

} // namespace devinsttest

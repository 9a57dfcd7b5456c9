#include "driver_store.h"

#include <cwchar>

#include "win32/unique_hkey.h"

namespace kivodevinst {

namespace {

// SetupUninstallOEMInfW takes a file name of the INF folder, never a path.
bool IsBareFileName(const wchar_t *name)
{
    return name[0] != L'\0' && wcspbrk(name, L"\\/:") == nullptr;
}

} // namespace

PackageLookup FindPublishedInf(HDEVINFO set, SP_DEVINFO_DATA *device, std::wstring &infName)
{
    infName.clear();
    const HKEY opened =
        SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_QUERY_VALUE);
    if (opened == INVALID_HANDLE_VALUE || opened == nullptr) {
        const DWORD error = GetLastError();
        // A node that never had a driver has no driver key.
        return error == ERROR_KEY_DOES_NOT_EXIST || error == ERROR_FILE_NOT_FOUND
                   ? PackageLookup::None
                   : PackageLookup::Unreadable;
    }
    UniqueHKey key;
    *key.put() = opened;

    wchar_t name[MAX_PATH] = {};
    DWORD size = sizeof(name);
    const LSTATUS status =
        RegGetValueW(key.get(), nullptr, L"InfPath", RRF_RT_REG_SZ, nullptr, name, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return PackageLookup::None;
    if (status != ERROR_SUCCESS || !IsBareFileName(name))
        return PackageLookup::Unreadable;
    infName = name;
    return PackageLookup::Found;
}

void PackageList::add(const std::wstring &infName)
{
    for (const std::wstring &known : names_) {
        if (CompareStringOrdinal(known.c_str(), -1, infName.c_str(), -1, TRUE) == CSTR_EQUAL)
            return;
    }
    names_.push_back(infName);
}

bool RemoveFromDriverStore(const PackageList &packages)
{
    bool allRemoved = true;
    for (const std::wstring &name : packages.names()) {
        // Forced: the nodes of ours that this run saw are gone, yet a device
        // need not be present to count as using the INF, so a node that is
        // not present now (which the removal does not see) would keep the
        // package in the store for ever, and the device would get the driver
        // back when it is enumerated again.
        if (SetupUninstallOEMInfW(name.c_str(), SUOI_FORCEDELETE, nullptr))
            continue;
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            allRemoved = false;
    }
    return allRemoved;
}

} // namespace kivodevinst

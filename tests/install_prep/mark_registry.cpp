#include "mark_registry.h"

#include <cstring>

#include "win32/unique_hkey.h"

namespace installpreptest {

std::vector<BYTE> TextBytes(const std::wstring &text, bool terminated)
{
    const size_t bytes = (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t);
    std::vector<BYTE> data(bytes);
    std::memcpy(data.data(), text.c_str(), bytes);
    return data;
}

bool KeyExists(const wchar_t *path)
{
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool DeleteKeyTree(const wchar_t *path)
{
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, path);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return false;
    return RegDeleteKeyW(HKEY_CURRENT_USER, path) == ERROR_SUCCESS || !KeyExists(path);
}

std::optional<RegistryValue> ReadValue(const wchar_t *keyPath, const wchar_t *valueName)
{
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), valueName, nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    if (RegQueryValueExW(key.get(), valueName, nullptr, &value.type, value.data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

bool CreateKey(const wchar_t *keyPath)
{
    UniqueHKey key;
    return RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           key.put(), nullptr) == ERROR_SUCCESS;
}

bool WriteValue(const wchar_t *keyPath, const wchar_t *valueName, DWORD type,
                const std::vector<BYTE> &data)
{
    UniqueHKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), valueName, 0, type, data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

MarkKeyGuard::MarkKeyGuard() : zerinExisted_(KeyExists(kZerinKey))
{
    DeleteKeyTree(kMarkKey);
}

MarkKeyGuard::~MarkKeyGuard()
{
    DeleteKeyTree(kMarkKey);
    if (!zerinExisted_)
        DeleteKeyTree(kZerinKey);
}

} // namespace installpreptest

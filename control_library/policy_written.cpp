#include "policy_written.h"

#include <windows.h>

#include <strsafe.h>

#include "machine_files.h"

namespace kvf {

namespace {

constexpr wchar_t kNoteName[] = L"PolicyWritten.ini";
constexpr wchar_t kSection[] = L"Written";

} // namespace

std::optional<uint32_t> ReadPolicyWritten(const wchar_t *key, uint32_t bound)
{
    wchar_t path[MAX_PATH];
    if (!GetMachineFilePath(kNoteName, path) || !FileExists(path))
        return std::nullopt;
    const UINT value = GetPrivateProfileIntW(kSection, key, -1, path);
    if (value > bound)
        return std::nullopt;
    return value;
}

bool NotePolicyWritten(const wchar_t *key, std::optional<uint32_t> value)
{
    wchar_t path[MAX_PATH];
    if (!GetMachineFilePath(kNoteName, path))
        return false;
    if (!value && !FileExists(path))
        return true;
    wchar_t text[16];
    if (value && FAILED(StringCchPrintfW(text, 16, L"%u", static_cast<unsigned>(*value))))
        return false;
    return WritePrivateProfileStringW(kSection, key, value ? text : nullptr, path) != FALSE;
}

} // namespace kvf

#include "module_path.h"

#include <windows.h>

#include <vector>

namespace standin {

std::wstring OwnExePath()
{
    // The path may be longer than MAX_PATH: grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0)
            return {};
        if (length < size)
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring FolderOf(const std::wstring &path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring BaseNameWithoutExe(const std::wstring &path)
{
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    constexpr std::wstring_view kExe = L".exe";
    if (name.size() > kExe.size() &&
        CompareStringOrdinal(name.c_str() + name.size() - kExe.size(), static_cast<int>(kExe.size()),
                             kExe.data(), static_cast<int>(kExe.size()), TRUE) == CSTR_EQUAL)
        name.resize(name.size() - kExe.size());
    return name;
}

} // namespace standin

#include "string_resource.h"

namespace hosttest {

ResourceModule::ResourceModule(const std::wstring &path)
    : module_(LoadLibraryExW(path.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
{
}

ResourceModule::~ResourceModule()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
}

std::optional<std::wstring> ResourceModule::String(UINT id, LANGID language) const
{
    // Strings come in blocks of 16; each entry is its length followed by that
    // many characters (no terminator).
    HRSRC block = FindResourceExW(module_, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (block == nullptr)
        return std::nullopt;
    const DWORD size = SizeofResource(module_, block) / sizeof(WCHAR);
    const auto *entry = static_cast<const WCHAR *>(LockResource(LoadResource(module_, block)));
    if (entry == nullptr)
        return std::nullopt;
    const WCHAR *end = entry + size;
    for (UINT i = 0; i < id % 16; ++i) {
        if (entry >= end)
            return std::nullopt;
        entry += 1 + *entry;
    }
    if (entry >= end || *entry == 0 || entry + 1 + *entry > end)
        return std::nullopt;
    return std::wstring(entry + 1, *entry);
}

} // namespace hosttest

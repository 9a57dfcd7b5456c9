// Strings of a module's string table in one given language, whatever the
// user-interface language is (LoadStringW would pick by that).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace hosttest {

// A program's resources, loaded as data only.
class ResourceModule {
public:
    explicit ResourceModule(const std::wstring &path);
    ~ResourceModule();
    ResourceModule(const ResourceModule &) = delete;
    ResourceModule &operator=(const ResourceModule &) = delete;

    HMODULE get() const { return module_; }

    // Empty when the table of that language has no such string.
    std::optional<std::wstring> String(UINT id, LANGID language) const;

private:
    HMODULE module_;
};

} // namespace hosttest

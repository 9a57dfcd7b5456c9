// A BSTR that lives as long as its owner: the strings handed to WMI are
// made for one call and freed when it returns.
#pragma once

#include <windows.h>

#include <oleauto.h>

namespace zrinstallprep {

class Bstr {
public:
    explicit Bstr(const wchar_t *text) noexcept : value_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;

    // Null when the string could not be allocated.
    BSTR get() const noexcept { return value_; }

private:
    BSTR value_;
};

} // namespace zrinstallprep

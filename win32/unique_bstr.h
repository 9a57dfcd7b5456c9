// Owner of one BSTR made from a text for the length of a call (the strings
// handed to WMI, for example): freed with SysFreeString when the owner goes
// away.
#pragma once

#include <windows.h>

#include <oleauto.h>

class UniqueBstr {
public:
    explicit UniqueBstr(const wchar_t *text) noexcept : bstr_(SysAllocString(text)) {}
    ~UniqueBstr() { SysFreeString(bstr_); }
    UniqueBstr(const UniqueBstr &) = delete;
    UniqueBstr &operator=(const UniqueBstr &) = delete;

    // Null when the string could not be allocated.
    BSTR get() const noexcept { return bstr_; }

private:
    BSTR bstr_;
};

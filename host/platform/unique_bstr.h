// Owning BSTR: freed when the owner goes away.
#pragma once

#include <oleauto.h>

class UniqueBstr {
public:
    explicit UniqueBstr(const wchar_t *text) noexcept : bstr_(SysAllocString(text)) {}
    ~UniqueBstr() { SysFreeString(bstr_); }
    UniqueBstr(const UniqueBstr &) = delete;
    UniqueBstr &operator=(const UniqueBstr &) = delete;

    BSTR get() const noexcept { return bstr_; }

private:
    BSTR bstr_;
};

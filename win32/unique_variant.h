// Owner of one VARIANT and what it holds (a BSTR, an interface): cleared
// with VariantClear when the owner goes away. Movable, so that the values of
// a query's rows can be kept in a container.
#pragma once

#include <windows.h>

#include <oleauto.h>

class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&value_); }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(UniqueVariant &&other) noexcept : value_(other.value_)
    {
        VariantInit(&other.value_);
    }
    UniqueVariant &operator=(UniqueVariant &&other) noexcept
    {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.value_;
            VariantInit(&other.value_);
        }
        return *this;
    }
    UniqueVariant(const UniqueVariant &) = delete;
    UniqueVariant &operator=(const UniqueVariant &) = delete;

    // A variant holding a copy of the text (VT_BSTR).
    static UniqueVariant FromString(const wchar_t *text) noexcept
    {
        UniqueVariant variant;
        variant.value_.bstrVal = SysAllocString(text);
        if (variant.value_.bstrVal != nullptr)
            variant.value_.vt = VT_BSTR;
        return variant;
    }

    // For out parameters: whatever was held is cleared first.
    VARIANT *put() noexcept
    {
        VariantClear(&value_);
        return &value_;
    }
    const VARIANT &get() const noexcept { return value_; }

    // The string it holds, or null when it holds anything else (VT_NULL for
    // a property without a value, for example).
    BSTR bstr() const noexcept { return value_.vt == VT_BSTR ? value_.bstrVal : nullptr; }

private:
    VARIANT value_;
};

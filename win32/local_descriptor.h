// Owner of a security descriptor made from its text form (LocalFree when it
// goes): empty when the text could not be converted, with the last error set.
#pragma once

#include <windows.h>

#include <sddl.h>

class LocalDescriptor {
public:
    explicit LocalDescriptor(const wchar_t *text) noexcept
    {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr))
            descriptor_ = nullptr;
    }
    ~LocalDescriptor()
    {
        if (descriptor_ != nullptr)
            LocalFree(descriptor_);
    }
    LocalDescriptor(const LocalDescriptor &) = delete;
    LocalDescriptor &operator=(const LocalDescriptor &) = delete;

    PSECURITY_DESCRIPTOR get() const noexcept { return descriptor_; }
    // Attributes that carry the descriptor, not inheritable.
    SECURITY_ATTRIBUTES attributes() const noexcept { return {sizeof(SECURITY_ATTRIBUTES), descriptor_, FALSE}; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// COM initialisation of the calling thread for the length of one operation.
//
// The thread may already live in an apartment of its own choosing; the
// operation then works in that apartment and leaves it as it was. Only an
// initialisation that this object made itself is undone, exactly once.
#pragma once

#include <objbase.h>

class ComApartment {
public:
    explicit ComApartment(DWORD model) noexcept : result_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

    // COM may be used: initialised here, or the thread is already in another
    // apartment (RPC_E_CHANGED_MODE).
    bool usable() const noexcept { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

// Owner of one reference to a COM interface: released when the owner goes
// away, takes another, or calls reset() (a caller that must release its
// interfaces in a fixed order before it ends COM on the thread does so).
#pragma once

#include <unknwn.h>

#include <utility>

template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr &&other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    T *get() const noexcept { return ptr_; }
    T *operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    // For out parameters of COM calls: whatever was held is released first.
    T **put() noexcept
    {
        reset();
        return &ptr_;
    }
    void **put_void() noexcept { return reinterpret_cast<void **>(put()); }

    void reset() noexcept
    {
        if (ptr_ != nullptr)
            std::exchange(ptr_, nullptr)->Release();
    }

private:
    T *ptr_ = nullptr;
};

// Owner of one COM interface pointer. The query releases its interfaces in
// a fixed order before it ends COM on the thread, so reset() is called
// explicitly; the destructor only guards the paths that forget to.
#pragma once

namespace zrinstallprep {

template <typename Interface> class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    Interface *get() const noexcept { return pointer_; }
    Interface *operator->() const noexcept { return pointer_; }
    // The address to receive a new interface; what was held is released.
    Interface **receive() noexcept
    {
        reset();
        return &pointer_;
    }
    void **receiveVoid() noexcept { return reinterpret_cast<void **>(receive()); }
    void reset() noexcept
    {
        if (pointer_ != nullptr) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }

private:
    Interface *pointer_ = nullptr;
};

} // namespace zrinstallprep

#include "platform/known_folder.h"

#include <objbase.h>

namespace {

// SHGetKnownFolderPath hands out memory of the COM task allocator.
class CoTaskString {
public:
    CoTaskString() noexcept = default;
    ~CoTaskString() { CoTaskMemFree(text_); }
    CoTaskString(const CoTaskString &) = delete;
    CoTaskString &operator=(const CoTaskString &) = delete;

    PWSTR *put() noexcept { return &text_; }
    PCWSTR get() const noexcept { return text_; }

private:
    PWSTR text_ = nullptr;
};

} // namespace

bool GetKnownFolder(REFKNOWNFOLDERID id, std::wstring &path)
{
    CoTaskString folder;
    // The path is wanted whether or not the folder exists right now; what
    // is looked for in it is checked when it is used.
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, folder.put())) ||
        folder.get() == nullptr)
        return false;
    try {
        path = folder.get();
    } catch (...) {
        return false;
    }
    return true;
}

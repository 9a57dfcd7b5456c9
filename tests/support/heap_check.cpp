#include "heap_check.h"

#include <cstdlib>

namespace kivotest {

namespace {

constexpr wchar_t kOptionsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\";

} // namespace

HeapCheckedImage::HeapCheckedImage(const std::wstring &imageName) : key_(kOptionsKey + imageName)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD flags = kHeapCheckGlobalFlag;
    active_ = RegSetValueExW(key, L"GlobalFlag", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&flags),
                             sizeof(flags)) == ERROR_SUCCESS;
    RegCloseKey(key);
}

HeapCheckedImage::~HeapCheckedImage()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
}

bool HeapCheckRequested()
{
    const char *value = std::getenv("KIVO_HEAP_CHECK");
    return value != nullptr && value[0] == '1';
}

} // namespace kivotest

// The product version shown in the settings dialog, read from the host
// program's own version resource in its first translation.
#include "dialog/kivo_function_button_dlg.h"

#include <strsafe.h>

#include <vector>

namespace {

constexpr DWORD kPathChars = 260;
constexpr std::size_t kQueryChars = 50;

} // namespace

int CKivoFunctionButtonDlg::getFileVersion(WCHAR *buffer, std::size_t capacity)
{
    if (buffer == nullptr || capacity == 0)
        return 0;
    buffer[0] = L'\0';
    WCHAR module[kPathChars] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, kPathChars);
    if (length == 0 || length >= kPathChars)
        return 0;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(module, &handle);
    if (size == 0)
        return 0;
    std::vector<WCHAR> data;
    try {
        data.resize(static_cast<std::size_t>(size) + 1);
    } catch (...) {
        return 0;
    }
    if (!GetFileVersionInfoW(module, 0, size, data.data()))
        return 0;

    WCHAR query[kQueryChars] = L"\\VarFileInfo\\Translation";
    void *value = nullptr;
    UINT valueBytes = 0;
    if (!VerQueryValueW(data.data(), query, &value, &valueBytes) || valueBytes < sizeof(DWORD))
        return 0;
    const DWORD translation = *static_cast<const DWORD *>(value);
    WCHAR language[9] = {};
    StringCchPrintfW(language, ARRAYSIZE(language), L"%04x%04x", LOWORD(translation), HIWORD(translation));
    if (FAILED(StringCchPrintfW(query, kQueryChars, L"\\StringFileInfo\\%s\\%s", language, L"ProductVersion")))
        return 0;
    WCHAR *text = nullptr;
    UINT textChars = 0;
    if (VerQueryValueW(data.data(), query, reinterpret_cast<void **>(&text), &textChars) && text != nullptr)
        StringCchCopyW(buffer, capacity, text);
    return 0;
}

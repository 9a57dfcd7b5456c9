#include "settings_file.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <cstdlib>
#include <cwchar>

#include "library_module.h"
#include "win32/mutex_lock.h"
#include "win32/folder_levels.h"

namespace kvf {

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr wchar_t kFolder[] = L"\\zerin\\KivoFCtrl";
constexpr wchar_t kFileName[] = L"\\KivoFCtrl.ini";
constexpr size_t kMaxTreeLength = 248;
constexpr size_t kMaxAppPathLength = 256;

// The value a key takes when it is missing from an existing file: the
// same as in the default text.
uint32_t DefaultValue(const wchar_t *key)
{
    return wcscmp(key, kKeyReferenceFlag) == 0 ? 1u : 0u;
}

} // namespace

int32_t ReadSettingInt(const wchar_t *path, const wchar_t *key)
{
    if (path[0] == L'\0')
        return -1; // no file to read: as if the key were missing
    return static_cast<int32_t>(GetPrivateProfileIntW(kSection, key, -1, path));
}

int WriteSettingString(const wchar_t *path, const wchar_t *key, const wchar_t *value)
{
    if (path[0] == L'\0')
        return 0;
    const MutexLock lock = LockIniWrite();
    if (!lock.owned()) {
        SetLastError(lock.error());
        return 0;
    }
    return WritePrivateProfileStringW(kSection, key, value, path) ? 1 : 0;
}

namespace {

class ResourceData {
public:
    ResourceData(HMODULE module, HRSRC resource) : data_(LoadResource(module, resource)) {}
    ~ResourceData()
    {
        if (data_ != nullptr)
            FreeResource(data_);
    }
    ResourceData(const ResourceData &) = delete;
    ResourceData &operator=(const ResourceData &) = delete;
    const void *bytes() const { return data_ != nullptr ? LockResource(data_) : nullptr; }

private:
    HGLOBAL data_;
};

void AsciiToLower(wchar_t *text)
{
    for (; *text != L'\0'; ++text) {
        if (*text >= L'A' && *text <= L'Z')
            *text = static_cast<wchar_t>(*text - L'A' + L'a');
    }
}

} // namespace

int GetSettingFilePath(wchar_t *path)
{
    // Whatever cannot be resolved leaves the buffer empty: a cut path, or the
    // bare folder path, would have the profile functions read and write a
    // stray file elsewhere.
    auto unresolved = [path] {
        path[0] = L'\0';
        return 0;
    };
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                         path) != S_OK)
        return unresolved();
    if (FAILED(StringCchCatW(path, MAX_PATH, kFolder)))
        return unresolved();
    wchar_t folder[MAX_PATH];
    if (FAILED(StringCchCopyW(folder, MAX_PATH, path)) || !CreateDirectoryTree(folder))
        return unresolved();
    if (FAILED(StringCchCatW(path, MAX_PATH, kFileName)))
        return unresolved();
    if (PathFileExistsW(path))
        return 1;
    return WriteDefaultSettingFile(path) ? 1 : 0;
}

int CreateDirectoryTree(const wchar_t *folder)
{
    size_t length = 0;
    if (folder == nullptr || FAILED(StringCchLengthW(folder, MAX_PATH, &length)) || length == 0 ||
        length > kMaxTreeLength)
        return 0;
    wchar_t path[MAX_PATH];
    if (FAILED(StringCchCopyW(path, MAX_PATH, folder)))
        return 0;
    if (path[length - 1] != L'\\' && FAILED(StringCchCatW(path, MAX_PATH, L"\\")))
        return 0;

    // The walk starts below the drive or share: a profile redirected to a
    // server is made level by level under its share.
    const int levels = folder_levels::Walk(path, folder_levels::FindOrCreateLevel);
    if (levels != 0)
        return levels > 0 ? 1 : 0;
    return PathIsDirectoryW(path) ? 1 : 0;
}

int WriteDefaultSettingFile(const wchar_t *path)
{
    HMODULE module = LibraryModule();
    if (module == nullptr || path == nullptr || *path == L'\0')
        return 0;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kDefaultTextId), kDefaultTextType);
    if (resource == nullptr)
        return 0;
    const DWORD size = SizeofResource(module, resource);
    if (size == 0)
        return 0;
    ResourceData data(module, resource);
    if (data.bytes() == nullptr)
        return 0;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data.bytes(), size, &written, nullptr);
    const BOOL closed = CloseHandle(file);
    if (!closed || !ok || written != size) {
        // A cut default text is no default text: leave no file rather than
        // one whose keys are missing.
        DeleteFileW(path);
        return 0;
    }
    return 1;
}

int WriteSettingValue(const wchar_t *path, const wchar_t *key, uint32_t value)
{
    wchar_t text[3];
    if (FAILED(StringCchPrintfW(text, 3, L"%d", static_cast<int>(value))))
        return 0;
    return WriteSettingString(path, key, text);
}

int32_t ReadSettingValue(const wchar_t *path, const wchar_t *key, const uint32_t *bound)
{
    int32_t value = ReadSettingInt(path, key);
    if (value == -1) {
        // Only what is missing is restored: the other values and the
        // settings application's path stay as the user left them.
        if (path[0] != L'\0' && PathFileExistsW(path)) {
            WriteSettingValue(path, key, DefaultValue(key));
        } else {
            wchar_t recreated[MAX_PATH] = L"";
            GetSettingFilePath(recreated);
        }
        value = ReadSettingInt(path, key);
    }
    if (bound != nullptr && static_cast<uint32_t>(value) > *bound) {
        WriteSettingValue(path, key, 0);
        value = 0;
    }
    return value;
}

int GetSettingAppPath(wchar_t *path)
{
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length > kMaxAppPathLength)
        return 0;
    wchar_t drive[MAX_PATH], folder[MAX_PATH], name[MAX_PATH], extension[MAX_PATH];
    if (_wsplitpath_s(module, drive, MAX_PATH, folder, MAX_PATH, name, MAX_PATH, extension,
                      MAX_PATH) != 0)
        return 0;
    AsciiToLower(name);
    AsciiToLower(extension);
    if (wcscmp(name, L"velmo") != 0 || wcscmp(extension, L".exe") != 0)
        return 0;
    return SUCCEEDED(StringCchCopyW(path, MAX_PATH, module)) ? 1 : 0;
}

} // namespace kvf

#include "settings/ini_file_path.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <strsafe.h>

#include "errors/error_manager.h"
#include "settings/folder_levels.h"

const wchar_t gTcIniFileName[] = L"\\KivoFunctionButton.ini";
const wchar_t gTcIniFolder[] = L"\\zerin\\ZrFunctionButton";

bool GetIniFilePath(LPWSTR path, std::size_t capacity) noexcept
{
    if (path == nullptr || capacity < kIniPathChars) {
        SetError(KVF_ERROR_ITEM_NUM);
        return false;
    }
    if (!GetCurIniFilePath(path, capacity)) {
        SetError(KVF_ERROR_ITEM_NUM);
        return false;
    }
    return true;
}

bool GetCurIniFilePath(LPWSTR path, std::size_t capacity) noexcept
{
    if (path == nullptr || capacity < kIniPathChars)
        return false;
    WCHAR source[kIniPathChars];
    if (!GetSourceIniFilePath(source, kIniPathChars))
        return false;
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                         path) != S_OK)
        return false;
    // A path cut short would name some other file or folder, so every join
    // must fit whole.
    if (FAILED(StringCchCatW(path, kIniPathChars, gTcIniFolder)))
        return false;
    WCHAR folder[kIniPathChars];
    if (FAILED(StringCchCopyW(folder, kIniPathChars, path)) || !CheckAndCreateDir(folder))
        return false;
    if (FAILED(StringCchCatW(path, kIniPathChars, gTcIniFileName)))
        return false;
    if (PathFileExistsW(path))
        return true;
    return CopyFileW(source, path, TRUE) != FALSE;
}

bool GetSourceIniFilePath(LPWSTR path, std::size_t capacity) noexcept
{
    if (path == nullptr || capacity < kIniPathChars)
        return false;
    WCHAR module[kIniPathChars];
    const DWORD length = GetModuleFileNameW(nullptr, module, kIniPathChars);
    // A full buffer means the module path was cut: its folder is unknown.
    if (length == 0 || length >= kIniPathChars)
        return false;
    // Drive and folder: everything up to the last separator.
    DWORD folderEnd = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (module[i] == L'\\' || module[i] == L'/')
            folderEnd = i + 1;
        else if (module[i] == L':' && folderEnd == 0)
            folderEnd = i + 1;
    }
    module[folderEnd] = L'\0';
    return SUCCEEDED(StringCchCopyW(path, kIniPathChars, module)) &&
           SUCCEEDED(StringCchCatW(path, kIniPathChars, gTcIniFileName + 1));
}

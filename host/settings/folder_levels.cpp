#include "settings/folder_levels.h"

#include <strsafe.h>

#include "win32/folder_levels.h"
#include "settings/ini_file_path.h"

bool CheckAndCreateDir(LPCWSTR path) noexcept
{
    if (path == nullptr)
        return false;
    const std::size_t length = wcsnlen(path, kMaxFolderChars + 1);
    if (length == 0 || length > kMaxFolderChars)
        return false;
    WCHAR folder[kIniPathChars];
    if (FAILED(StringCchCopyW(folder, kIniPathChars, path)))
        return false;
    if (folder[length - 1] != L'\\' && FAILED(StringCchCatW(folder, kIniPathChars, L"\\")))
        return false;

    // A share or drive root has no level to make: the path stands when the
    // root is there.
    const int levels = folder_levels::Walk(folder, folder_levels::FindOrCreateLevel);
    if (levels != 0)
        return levels > 0;
    const DWORD attributes = GetFileAttributesW(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

#include "settings/folder_levels.h"

#include <strsafe.h>

#include "win32/unique_find.h"
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

    bool examined = false;
    for (WCHAR *separator = wcschr(folder + 1, L'\\'); separator != nullptr;
         separator = wcschr(separator + 1, L'\\')) {
        *separator = L'\0';
        examined = true;
        WIN32_FIND_DATAW found;
        const UniqueFind search(FindFirstFileW(folder, &found));
        // A bare drive ("C:") is never found by a search, and another process
        // may create the same level at the same moment: both show up as
        // ERROR_ALREADY_EXISTS, which means the level is there.
        if (!search.valid() && !CreateDirectoryW(folder, nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        *separator = L'\\';
    }
    return examined;
}

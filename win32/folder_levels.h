// The levels of a folder path, visited top down below the path's root: for
// "C:\a\b\" the levels "C:\a" and "C:\a\b"; for "\\server\share\a\" only
// "\\server\share\a". A drive and a share are roots, never levels: Windows
// finds neither "\\server" nor "\\server\share" with a search and refuses
// to create either (nor "\"), so a walk that tried them would fail on every
// profile redirected to a server.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cwchar>

#include "win32/unique_find.h"

namespace folder_levels {

// The characters of the root at the start of path: "X:\" (3),
// "\\server\share\" and "\\?\UNC\server\share\" (up to and including the
// backslash after the share), "\\?\X:\" (7); 0 for a path without one.
inline std::size_t RootLength(const wchar_t *path) noexcept
{
    auto driveRoot = [](const wchar_t *p) {
        return ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) && p[1] == L':' &&
               p[2] == L'\\';
    };
    // The end of "server\share\" at p: just after the share's backslash, or
    // the whole rest when the share has none.
    auto afterShare = [](const wchar_t *start, const wchar_t *p) -> std::size_t {
        const wchar_t *server = wcschr(p, L'\\');
        if (server == nullptr)
            return wcslen(start);
        const wchar_t *share = wcschr(server + 1, L'\\');
        return share == nullptr ? wcslen(start) : static_cast<std::size_t>(share + 1 - start);
    };
    if (wcsncmp(path, L"\\\\?\\UNC\\", 8) == 0)
        return afterShare(path, path + 8);
    if (wcsncmp(path, L"\\\\?\\", 4) == 0)
        return driveRoot(path + 4) ? 7 : 4;
    if (path[0] == L'\\' && path[1] == L'\\')
        return afterShare(path, path + 2);
    if (driveRoot(path))
        return 3;
    return path[0] == L'\\' ? 1 : 0;
}

// Hands level() each level of folder (which ends with a backslash), the
// buffer cut at the backslash after it and restored afterwards; stops at
// the first level for which it returns false. The number of levels
// visited, or -1 when one failed.
template <class Level>
int Walk(wchar_t *folder, Level &&level)
{
    int visited = 0;
    for (wchar_t *separator = wcschr(folder + RootLength(folder), L'\\'); separator != nullptr;
         separator = wcschr(separator + 1, L'\\')) {
        *separator = L'\0';
        const bool made = level(static_cast<const wchar_t *>(folder));
        *separator = L'\\';
        if (!made)
            return -1;
        ++visited;
    }
    return visited;
}

// The step of a walk that creates a path: a level that something of its
// name holds already stands (a file there makes the next level fail);
// else it is created. Another process may create the same level at the
// same moment: ERROR_ALREADY_EXISTS means it is there.
inline bool FindOrCreateLevel(const wchar_t *level) noexcept
{
    WIN32_FIND_DATAW found;
    const UniqueFind search(FindFirstFileW(level, &found));
    return search.valid() || CreateDirectoryW(level, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace folder_levels

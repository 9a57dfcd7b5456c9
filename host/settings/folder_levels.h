// Creation of a folder path level by level.
#pragma once

#include <windows.h>

// Longest folder path that is created (CreateDirectoryW leaves room for an
// 8.3 file name below it).
constexpr std::size_t kMaxFolderChars = 248;

// True when every level of path exists afterwards. False for no path, an
// empty one or one longer than kMaxFolderChars, and when a level cannot be
// created.
bool CheckAndCreateDir(LPCWSTR path) noexcept;

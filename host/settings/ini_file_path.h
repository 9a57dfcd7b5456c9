// Where the host settings file lives: a template beside the program and the
// per-user copy below the roaming application-data folder, which is the only
// file read and written.
#pragma once

#include <windows.h>

#include <cstddef>

// Paths and names live in buffers of this many characters.
constexpr std::size_t kIniPathChars = 260;

// File name with its leading backslash, appended to the per-user folder.
extern const wchar_t gTcIniFileName[];

// Per-user folder below the roaming application-data folder.
extern const wchar_t gTcIniFolder[];

// Resolves the per-user file into path (at least kIniPathChars), copying the
// template on first use. On failure it sets error 5; the buffer then holds
// whatever part of the path was formed. True when the file is resolved.
bool GetIniFilePath(LPWSTR path, std::size_t capacity) noexcept;

// The per-user file, created from the template when it does not exist yet
// (an existing file is never replaced). True when it exists afterwards.
bool GetCurIniFilePath(LPWSTR path, std::size_t capacity) noexcept;

// The template: the running program's folder and the file name.
bool GetSourceIniFilePath(LPWSTR path, std::size_t capacity) noexcept;

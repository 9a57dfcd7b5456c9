// Files of the machine rather than of one user, in the machine data folder
// (win32/machine_data_folder.h): what every user's session must see alike,
// and what must not travel with a roaming profile.
#pragma once

#include <windows.h>

#include <cstddef>

namespace kvf {

// The path (MAX_PATH characters) of the named file in the folder, which is
// made when missing; false, with the buffer empty, when the folder cannot
// be resolved or made.
bool GetMachineFilePath(const wchar_t *name, wchar_t *path);

// Writes the whole file through a temporary file beside it that then
// replaces it, flushed to the disk both times: a reader sees the old file
// or the new one, never a part, and a machine that stops leaves one of the
// two. The caller holds the lock of what the file records.
bool ReplaceFileWhole(const wchar_t *path, const char *text, size_t length);

// True when the file is gone afterwards (or was never there).
bool RemoveFileIfAny(const wchar_t *path);

bool FileExists(const wchar_t *path);

} // namespace kvf

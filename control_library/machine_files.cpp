#include "machine_files.h"

#include <strsafe.h>

#include "win32/machine_data_folder.h"
#include "win32/unique_handle.h"

namespace kvf {

namespace {

// The temporary file that replaces another; a crash may leave it behind,
// the next write takes it over.
constexpr wchar_t kTemporarySuffix[] = L".new";

} // namespace

bool GetMachineFilePath(const wchar_t *name, wchar_t *path)
{
    wchar_t folder[MAX_PATH];
    if (!machine_data::FolderPath(folder) || !machine_data::MakeFolder(folder, false) ||
        FAILED(StringCchPrintfW(path, MAX_PATH, L"%ls\\%ls", folder, name))) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

bool ReplaceFileWhole(const wchar_t *path, const char *text, size_t length)
{
    wchar_t temporary[MAX_PATH];
    if (path[0] == L'\0' || FAILED(StringCchPrintfW(temporary, MAX_PATH, L"%ls%ls", path, kTemporarySuffix)))
        return false;
    bool written = false;
    {
        const UniqueHandle file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD done = 0;
        written = WriteFile(file.get(), text, static_cast<DWORD>(length), &done, nullptr) && done == length &&
                  FlushFileBuffers(file.get());
    }
    if (!written || !MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary);
        SetLastError(error);
        return false;
    }
    return true;
}

bool RemoveFileIfAny(const wchar_t *path)
{
    return path[0] == L'\0' || DeleteFileW(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool FileExists(const wchar_t *path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace kvf

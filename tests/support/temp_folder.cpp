#include "temp_folder.h"

#include <windows.h>

#include <vector>

#include "win32/unique_find.h"

namespace kivotest {

namespace {

std::wstring TempPath()
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size())
        return {};
    return std::wstring(buffer.data(), length);
}

} // namespace

TempFolder::TempFolder()
{
    const std::wstring base = TempPath();
    if (base.empty())
        return;
    // Several runs may share the temporary folder: take the first free name.
    const std::wstring prefix = base + L"kivo-test-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring candidate = prefix + std::to_wstring(++counter);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

TempFolder::~TempFolder()
{
    if (!path_.empty())
        RemoveFolderTree(path_);
}

std::wstring TempFolder::File(const std::wstring &name) const { return path_ + L"\\" + name; }

bool RemoveFolderTree(const std::wstring &path)
{
    WIN32_FIND_DATAW entry{};
    {
        UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find.valid()) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = path + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveFolderTree(child);
                } else {
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL); // read-only too
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(find.get(), &entry));
        }
    }
    return RemoveDirectoryW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace kivotest

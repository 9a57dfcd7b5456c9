#include "scratch_folder.h"

#include "temp_folder.h"

#include <windows.h>

#include <algorithm>

namespace hosttest {

bool RemoveTree(const std::wstring &path) { return kivotest::RemoveFolderTree(path); }

ScopedFolder::ScopedFolder(std::wstring path) : path_(std::move(path))
{
    for (std::size_t at = path_.find(L'\\', 3);; at = path_.find(L'\\', at + 1)) {
        const std::wstring level = path_.substr(0, at);
        if (GetFileAttributesW(level.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryW(level.c_str(), nullptr)) {
                ok_ = false;
                return;
            }
            created_.push_back(level);
        }
        if (at == std::wstring::npos)
            break;
    }
}

ScopedFolder::~ScopedFolder()
{
    if (created_.empty())
        return;
    RemoveTree(created_.back());
    std::for_each(created_.rbegin(), created_.rend(),
                  [](const std::wstring &level) { RemoveDirectoryW(level.c_str()); });
}

TempRoot::TempRoot()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp, length) + L"kivo host test";
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempRoot::~TempRoot()
{
    RemoveTree(path_);
}

std::wstring PathOfLength(const std::wstring &base, std::size_t length)
{
    std::wstring path = base;
    while (path.size() < length) {
        const std::size_t room = length - path.size() - 1;
        // Keep at least two characters for a last level, so no level is empty.
        std::size_t name = std::min<std::size_t>(room, 60);
        if (room > 60 && room - 60 < 2)
            name = room - 2;
        path += L"\\" + std::wstring(name, L'a');
    }
    return path;
}

} // namespace hosttest

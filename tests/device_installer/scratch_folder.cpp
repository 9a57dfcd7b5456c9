#include "scratch_folder.h"

#include <windows.h>

#include <vector>

#include "temp_folder.h"
#include "test_paths.h"
#include "win32/unique_handle.h"

namespace devinsttest {

namespace {

std::wstring TempPath()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return {};
    std::wstring path(buffer, length);
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

} // namespace

ScratchFolder::ScratchFolder(size_t pathLength)
{
    const std::wstring base = TempPath();
    if (base.empty())
        return;
    static unsigned counter = 0;
    std::wstring root;
    for (int attempt = 0; attempt < 100 && root.empty(); ++attempt) {
        const std::wstring candidate = base + L"\\kivo-devinst-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++counter);
        if (CreateDirectoryW(candidate.c_str(), nullptr))
            root = candidate;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
    if (root.empty())
        return;
    root_ = root;
    std::wstring path = root;
    // Levels of at most 60 characters until the length is reached.
    while (pathLength > path.size()) {
        const size_t remaining = pathLength - path.size() - 1; // after the backslash
        if (remaining == 0) {
            path.clear(); // a lone backslash cannot end a folder path
            break;
        }
        const size_t level = remaining > 61 ? 60 : remaining;
        path += L"\\" + std::wstring(level, L'd');
        if (!CreateDirectoryW(path.c_str(), nullptr)) {
            path.clear();
            break;
        }
    }
    if (pathLength == 0 || path.size() == pathLength)
        path_ = path;
}

ScratchFolder::~ScratchFolder()
{
    if (!root_.empty())
        kivotest::RemoveFolderTree(root_);
}

bool ScratchFolder::copyFromDist(const std::wstring &name, const std::wstring &as) const
{
    return !path_.empty() && CopyFileW(kivotest::DistFile(name).c_str(),
                                       file(as.empty() ? name : as).c_str(), FALSE) != FALSE;
}

bool ScratchFolder::write(const std::wstring &name, const std::string &text) const
{
    if (path_.empty())
        return false;
    UniqueHandle out(CreateFileW(file(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid())
        return false;
    DWORD written = 0;
    return WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace devinsttest

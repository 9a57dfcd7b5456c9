#include "standin_log.h"

#include <windows.h>

#include <string>

#include "module_path.h"
#include "win32/unique_handle.h"

namespace standin {

namespace {

constexpr wchar_t kLogDirVariable[] = L"KIVO_STANDIN_LOG_DIR";

std::wstring LogFolder(const std::wstring &exePath)
{
    const DWORD needed = GetEnvironmentVariableW(kLogDirVariable, nullptr, 0);
    if (needed > 1) {
        std::wstring folder(needed, L'\0');
        const DWORD length = GetEnvironmentVariableW(kLogDirVariable, folder.data(), needed);
        if (length > 0 && length < needed) {
            folder.resize(length);
            return folder;
        }
    }
    return FolderOf(exePath);
}

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

} // namespace

std::wstring LogFilePath()
{
    const std::wstring exePath = OwnExePath();
    if (exePath.empty())
        return {};
    const std::wstring folder = LogFolder(exePath);
    if (folder.empty())
        return {};
    std::wstring path = folder;
    if (path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    return path + BaseNameWithoutExe(exePath) + L".log";
}

bool AppendLogLine(std::wstring_view line)
{
    const std::wstring path = LogFilePath();
    if (path.empty())
        return false;
    // Append-only access makes every write land at the current end, even when
    // two stand-ins share one file; sharing everything lets tests read and
    // delete it while a stand-in still runs.
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::string bytes = ToUtf8(line) + "\r\n";
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::wstring WordAndText(std::wstring_view word, std::wstring_view text)
{
    std::wstring line(word);
    if (!text.empty()) {
        line += L' ';
        line += text;
    }
    return line;
}

} // namespace standin

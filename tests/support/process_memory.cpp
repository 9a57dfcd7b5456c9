#include "process_memory.h"

#include <psapi.h>

#include <cstdlib>
#include <string>

#include "win32/unique_handle.h"

namespace kivotest {

namespace {

// Read to the end: files of /proc tell no size.
std::string ReadWholeFile(const std::wstring &path)
{
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    std::string text;
    if (!file.valid())
        return text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Anonymous resident memory of the one Linux process whose command line
// starts with the image's full path (Wine puts it there).
std::optional<size_t> LinuxAnonymousMemory(const std::wstring &imagePath)
{
    char utf8[2 * MAX_PATH] = {};
    if (WideCharToMultiByte(CP_UTF8, 0, imagePath.c_str(), -1, utf8, sizeof(utf8), nullptr, nullptr) == 0)
        return std::nullopt;
    const std::string image = Lower(utf8);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<size_t> result;
    int matches = 0;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9')
            continue;
        const std::wstring folder = std::wstring(L"Z:\\proc\\") + found.cFileName;
        if (Lower(ReadWholeFile(folder + L"\\cmdline")).compare(0, image.size(), image) != 0)
            continue;
        const std::string status = ReadWholeFile(folder + L"\\status");
        const size_t at = status.find("RssAnon:");
        if (at == std::string::npos)
            continue;
        ++matches;
        result = std::strtoull(status.c_str() + at + 8, nullptr, 10) * 1024;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return matches == 1 ? result : std::nullopt;
}

BOOL CALLBACK CountChildren(HWND, LPARAM counter)
{
    ++*reinterpret_cast<DWORD *>(counter);
    return TRUE;
}

struct WindowCount {
    DWORD processId;
    DWORD windows;
};

BOOL CALLBACK CountWindowsOf(HWND window, LPARAM context)
{
    auto *count = reinterpret_cast<WindowCount *>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == count->processId) {
        ++count->windows;
        EnumChildWindows(window, CountChildren, reinterpret_cast<LPARAM>(&count->windows));
    }
    return TRUE;
}

} // namespace

std::optional<size_t> PrivateBytes(DWORD processId)
{
    const UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process.valid())
        return std::nullopt;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters), sizeof(counters)) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(process.get(), 0, path, &length))
        return std::nullopt;
    return LinuxAnonymousMemory(path);
}

std::optional<GuiObjects> CountGuiObjects(DWORD processId)
{
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process.valid())
        return std::nullopt;
    GuiObjects objects;
    objects.gdi = GetGuiResources(process.get(), GR_GDIOBJECTS);
    objects.user = GetGuiResources(process.get(), GR_USEROBJECTS);
    if (objects.user == 0) {
        WindowCount count{processId, 0};
        EnumWindows(CountWindowsOf, reinterpret_cast<LPARAM>(&count));
        objects.user = count.windows;
    }
    return objects;
}

} // namespace kivotest

#include "session_list.h"

#include <cstdlib>
#include <string>

#include "win32/unique_handle.h"

bool WriteSessionList(const std::wstring &file, const std::set<DWORD> &sessions)
{
    std::string text;
    for (const DWORD session : sessions)
        text += std::to_string(session) + "\r\n";
    const UniqueHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return handle && WriteFile(handle.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::set<DWORD> ReadSessionList(const std::wstring &file)
{
    std::set<DWORD> sessions;
    const UniqueHandle handle(
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle)
        return sessions;
    char buffer[4096] = {};
    DWORD read = 0;
    if (!ReadFile(handle.get(), buffer, sizeof(buffer) - 1, &read, nullptr))
        return sessions;
    for (const char *line = buffer; *line != '\0';) {
        char *end = nullptr;
        const unsigned long session = std::strtoul(line, &end, 10);
        if (end == line)
            break;
        sessions.insert(static_cast<DWORD>(session));
        line = end;
        while (*line == '\r' || *line == '\n')
            ++line;
    }
    return sessions;
}

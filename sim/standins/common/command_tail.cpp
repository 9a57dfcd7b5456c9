#include "command_tail.h"

#include <windows.h>

namespace standin {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

} // namespace

std::wstring CommandTail(std::wstring_view commandLine)
{
    size_t pos = 0;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        // No escapes inside the program name: the next quote closes it.
        const size_t close = commandLine.find(L'"', 1);
        pos = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    }
    while (pos < commandLine.size() && !IsBlank(commandLine[pos]))
        ++pos;
    while (pos < commandLine.size() && IsBlank(commandLine[pos]))
        ++pos;
    return std::wstring(commandLine.substr(pos));
}

std::wstring OwnCommandTail()
{
    const wchar_t *line = GetCommandLineW();
    return CommandTail(line != nullptr ? std::wstring_view(line) : std::wstring_view());
}

} // namespace standin

#include "console_text.h"

namespace chargectl {

std::wstring Text(UINT id)
{
    const wchar_t *text = nullptr;
    // Length of the resource's own text, without copying it.
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text != nullptr ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

void WriteLine(DWORD stream, const std::wstring &line)
{
    const HANDLE output = GetStdHandle(stream);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return;
    // Every line ends with CR LF, those inside a text too.
    std::wstring text;
    for (const wchar_t c : line + L"\n") {
        if (c == L'\n')
            text += L'\r';
        text += c;
    }
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        WriteConsoleW(output, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    WriteFile(output, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

} // namespace chargectl

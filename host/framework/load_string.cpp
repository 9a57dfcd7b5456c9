#include "framework/load_string.h"

#include <vector>

std::wstring LoadResourceString(UINT id, std::size_t capacity)
{
    if (capacity == 0)
        return {};
    std::vector<wchar_t> buffer(capacity, L'\0');
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, buffer.data(), static_cast<int>(capacity));
    return length > 0 ? std::wstring(buffer.data(), static_cast<std::size_t>(length)) : std::wstring();
}

#include "smbios_product.h"

#include <windows.h>

#include <vector>

namespace installpreptest {

namespace {

// The provider signature 'RSMB', first letter in the high byte.
constexpr DWORD kRawSmbios =
    (DWORD('R') << 24) | (DWORD('S') << 16) | (DWORD('M') << 8) | DWORD('B');
constexpr size_t kRawHeaderSize = 8; // calling method, versions, table length
constexpr BYTE kSystemInformation = 1;
constexpr size_t kProductNameOffset = 5;

// The string with the 1-based index in the string set that follows a
// structure's formatted area; empty when there is none.
std::string StructureString(const BYTE *strings, const BYTE *end, BYTE index)
{
    if (index == 0)
        return {};
    const char *text = reinterpret_cast<const char *>(strings);
    for (BYTE current = 1; text < reinterpret_cast<const char *>(end) && *text != '\0'; ++current) {
        const std::string value(text, strnlen(text, reinterpret_cast<const char *>(end) - text));
        if (current == index)
            return value;
        text += value.size() + 1;
    }
    return {};
}

std::string FirmwareProductName()
{
    const UINT size = GetSystemFirmwareTable(kRawSmbios, 0, nullptr, 0);
    if (size <= kRawHeaderSize)
        return {};
    std::vector<BYTE> raw(size);
    if (GetSystemFirmwareTable(kRawSmbios, 0, raw.data(), size) != size)
        return {};
    const BYTE *table = raw.data() + kRawHeaderSize;
    const BYTE *end = raw.data() + size;
    while (table + 4 <= end) {
        const BYTE type = table[0];
        const BYTE length = table[1];
        if (length < 4 || table + length > end)
            break;
        const BYTE *strings = table + length;
        if (type == kSystemInformation && length > kProductNameOffset)
            return StructureString(strings, end, table[kProductNameOffset]);
        // The string set ends with two zeros.
        const BYTE *next = strings;
        while (next + 1 < end && (next[0] != 0 || next[1] != 0))
            ++next;
        table = next + 2;
    }
    return {};
}

} // namespace

std::string ExpectedProductName()
{
    const std::string name = FirmwareProductName();
    return name.empty() ? "Wine" : name;
}

} // namespace installpreptest

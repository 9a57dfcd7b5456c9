#include "install_mark.h"

#include <windows.h>

#include "win32/unique_hkey.h"

namespace zrinstallprep {

namespace {

constexpr wchar_t kMarkKey[] = L"SOFTWARE\\ZERIN\\ZRINSTALLPREP";
constexpr wchar_t kMarkValue[] = L"MarkKeyWord";
// 18 characters and the terminator: 19 UTF-16 units, 38 bytes.
constexpr wchar_t kMark[] = L"KD1997032120080614";
constexpr DWORD kMarkUnits = sizeof(kMark) / sizeof(kMark[0]);
constexpr DWORD kMarkBytes = sizeof(kMark);
constexpr DWORD kReadBufferBytes = 512;

static_assert(kMarkUnits == 19 && kMarkBytes == 38);

} // namespace

int SetRegMark()
{
    UniqueHKey key;
    wchar_t noClass[] = L"";
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kMarkKey, 0, noClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return 0;
    const LSTATUS written = RegSetValueExW(key.get(), kMarkValue, 0, REG_SZ,
                                           reinterpret_cast<const BYTE *>(kMark), kMarkBytes);
    return written == ERROR_SUCCESS ? 1 : 0;
}

int CheckRegMark()
{
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kMarkKey, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
        return 0;

    // The type is not looked at: the same bytes under another type count.
    wchar_t data[kReadBufferBytes / sizeof(wchar_t)] = {};
    DWORD size = kReadBufferBytes;
    if (RegQueryValueExW(key.get(), kMarkValue, nullptr, nullptr, reinterpret_cast<BYTE *>(data),
                         &size) != ERROR_SUCCESS)
        return 0;
    if (size < kMarkBytes)
        return 0; // the zero-filled rest of the buffer must not complete a short value
    for (DWORD unit = 0; unit < kMarkUnits; ++unit) {
        if (data[unit] != kMark[unit])
            return 0;
    }

    // Consumed: the next check finds nothing. A failed deletion (a subkey,
    // access denied) still leaves this check a success.
    RegDeleteKeyW(HKEY_CURRENT_USER, kMarkKey);
    return 1;
}

} // namespace zrinstallprep

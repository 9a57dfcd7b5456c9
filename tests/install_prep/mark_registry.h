// The install mark's place in the registry, seen from the tests: writing any
// data there, reading it back, and leaving the hive as the test found it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace installpreptest {

inline constexpr wchar_t kZerinKey[] = L"SOFTWARE\\ZERIN";
inline constexpr wchar_t kMarkKey[] = L"SOFTWARE\\ZERIN\\ZRINSTALLPREP";
inline constexpr wchar_t kMarkValue[] = L"MarkKeyWord";
inline constexpr wchar_t kMarkText[] = L"KD1997032120080614";

// The bytes of a wide text with its terminator (or without: terminated =
// false).
std::vector<BYTE> TextBytes(const std::wstring &text, bool terminated = true);

bool KeyExists(const wchar_t *path);
bool DeleteKeyTree(const wchar_t *path);

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
// The value under the key in HKEY_CURRENT_USER; empty when either is missing.
std::optional<RegistryValue> ReadValue(const wchar_t *keyPath, const wchar_t *valueName);
// Creates the key when needed and writes the value.
bool WriteValue(const wchar_t *keyPath, const wchar_t *valueName, DWORD type,
                const std::vector<BYTE> &data);
bool CreateKey(const wchar_t *keyPath);

// Removes the mark's key before and after a test, and "SOFTWARE\ZERIN" too
// after it when the test created that.
class MarkKeyGuard {
public:
    MarkKeyGuard();
    ~MarkKeyGuard();
    MarkKeyGuard(const MarkKeyGuard &) = delete;
    MarkKeyGuard &operator=(const MarkKeyGuard &) = delete;

private:
    bool zerinExisted_;
};

} // namespace installpreptest

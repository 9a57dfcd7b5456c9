// The library's per-user settings file "KivoFCtrl.ini": section "Setting"
// with the two charge options, the settings application's path and the
// flag that says whether the EC or the file takes precedence.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kvf {

inline constexpr wchar_t kKeyBatteryChargeLimit[] = L"BatteryChargeLimit";
inline constexpr wchar_t kKeyUSBCharge[] = L"USBCharge";
inline constexpr wchar_t kKeySettinAppPath[] = L"SettinAppPath";
inline constexpr wchar_t kKeyReferenceFlag[] = L"ReferenceFlag";

inline constexpr uint32_t kBatteryChargeLimitBound = 2;
inline constexpr uint32_t kUSBChargeBound = 1;

// Resource of the default text: type "SETTING", id 104.
inline constexpr wchar_t kDefaultTextType[] = L"SETTING";
inline constexpr WORD kDefaultTextId = 104;

// Fills path (MAX_PATH characters) with the file's path, creating the
// folders and, when the file is missing, the file from the default text.
// 1 when the file exists afterwards, else 0 (callers go on regardless); a
// path that cannot be resolved leaves the buffer empty.
int GetSettingFilePath(wchar_t *path);

// Creates every level of a folder path of at most 248 characters.
int CreateDirectoryTree(const wchar_t *folder);

// Writes the embedded default text as the whole file.
int WriteDefaultSettingFile(const wchar_t *path);

// The profile functions on the file, with an empty path (the file could not
// be resolved) reading as a missing key and writing nothing.
int32_t ReadSettingInt(const wchar_t *path, const wchar_t *key);
// Writes one string under "hMutexIniWrite"; 1 on success, 0 with the last
// error set when the file or the lock could not be had.
int WriteSettingString(const wchar_t *path, const wchar_t *key, const wchar_t *value);

// Writes one value as decimal text under "hMutexIniWrite"; 1 on success.
int WriteSettingValue(const wchar_t *path, const wchar_t *key, uint32_t value);

// Reads one value. A missing key gets its default value written (the file,
// when missing altogether, gets the default text); a value above the bound
// (when given) is written back as 0 and read as 0.
int32_t ReadSettingValue(const wchar_t *path, const wchar_t *key, const uint32_t *bound = nullptr);

// 1 and the executable's full path (MAX_PATH characters) when the calling
// process is the settings application "velmo.exe", in any letter case.
int GetSettingAppPath(wchar_t *path);

} // namespace kvf

#include "full_charge_once_record.h"

#include <shlwapi.h>
#include <strsafe.h>

#include "library_module.h"
#include "settings_file.h"
#include "win32/mutex_lock.h"
#include "win32/unique_handle.h"

namespace kvf {

namespace {

constexpr wchar_t kRecordName[] = L"FullChargeOnce.ini";
constexpr wchar_t kRecordSection[] = L"FullChargeOnce";
constexpr wchar_t kKeyLimit[] = L"Limit";
constexpr wchar_t kKeyChargerSeen[] = L"ChargerSeen";
// The temporary file that replaces the record; a crash may leave it
// behind, the next write takes it over.
constexpr wchar_t kTemporarySuffix[] = L".new";

bool RecordExists(const wchar_t *path)
{
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

FullChargeOnceFiles GetFullChargeOnceFiles()
{
    FullChargeOnceFiles files;
    GetSettingFilePath(files.settings);
    if (files.settings[0] == L'\0')
        return files;
    wchar_t folder[MAX_PATH];
    if (FAILED(StringCchCopyW(folder, MAX_PATH, files.settings)) || !PathRemoveFileSpecW(folder) ||
        FAILED(StringCchPrintfW(files.record, MAX_PATH, L"%ls\\%ls", folder, kRecordName)))
        files.record[0] = L'\0';
    return files;
}

std::optional<FullChargeOnceRecord> ReadFullChargeOnceRecord(const FullChargeOnceFiles &files)
{
    if (files.record[0] == L'\0' || !RecordExists(files.record))
        return std::nullopt;
    FullChargeOnceRecord record;
    const UINT limit = GetPrivateProfileIntW(kRecordSection, kKeyLimit, -1, files.record);
    if (limit <= kBatteryChargeLimitBound) {
        record.limit = limit;
    } else {
        const uint32_t bound = kBatteryChargeLimitBound;
        record.limit =
            static_cast<uint32_t>(ReadSettingValue(files.settings, kKeyBatteryChargeLimit, &bound));
    }
    record.chargerSeen = GetPrivateProfileIntW(kRecordSection, kKeyChargerSeen, 0, files.record) != 0;
    return record;
}

bool WriteFullChargeOnceRecord(const FullChargeOnceFiles &files, const FullChargeOnceRecord &record)
{
    if (files.record[0] == L'\0')
        return false;
    char text[64];
    size_t length = 0;
    if (FAILED(StringCchPrintfA(text, sizeof(text), "[FullChargeOnce]\r\nLimit=%u\r\nChargerSeen=%u\r\n",
                                static_cast<unsigned>(record.limit), record.chargerSeen ? 1u : 0u)) ||
        FAILED(StringCchLengthA(text, sizeof(text), &length)))
        return false;
    wchar_t temporary[MAX_PATH];
    if (FAILED(StringCchPrintfW(temporary, MAX_PATH, L"%ls%ls", files.record, kTemporarySuffix)))
        return false;

    const MutexLock lock = LockIniWrite();
    if (!lock.owned()) {
        SetLastError(lock.error());
        return false;
    }
    bool written = false;
    {
        const UniqueHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD done = 0;
        written = WriteFile(file.get(), text, static_cast<DWORD>(length), &done, nullptr) &&
                  done == length && FlushFileBuffers(file.get());
    }
    if (!written ||
        !MoveFileExW(temporary, files.record, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary);
        return false;
    }
    return true;
}

bool RemoveFullChargeOnceRecord(const FullChargeOnceFiles &files)
{
    if (files.record[0] == L'\0')
        return true;
    const MutexLock lock = LockIniWrite();
    if (!lock.owned()) {
        SetLastError(lock.error());
        return false;
    }
    return DeleteFileW(files.record) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace kvf

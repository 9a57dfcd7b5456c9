#include "full_charge_once_record.h"

#include <shlwapi.h>
#include <strsafe.h>

#include "machine_files.h"
#include "settings_file.h"

namespace kvf {

namespace {

constexpr wchar_t kRecordName[] = L"FullChargeOnce.ini";
constexpr wchar_t kRecordSection[] = L"FullChargeOnce";
constexpr wchar_t kKeyLimit[] = L"Limit";
constexpr wchar_t kKeyChargerSeen[] = L"ChargerSeen";
constexpr wchar_t kKeyEnding[] = L"Ending";

FullChargeOnceRecord ParseRecord(const wchar_t *path, const wchar_t *settings)
{
    FullChargeOnceRecord record;
    const UINT limit = GetPrivateProfileIntW(kRecordSection, kKeyLimit, -1, path);
    if (limit <= kBatteryChargeLimitBound) {
        record.limit = limit;
    } else {
        const uint32_t bound = kBatteryChargeLimitBound;
        record.limit = static_cast<uint32_t>(ReadSettingValue(settings, kKeyBatteryChargeLimit, &bound));
    }
    record.chargerSeen = GetPrivateProfileIntW(kRecordSection, kKeyChargerSeen, 0, path) != 0;
    record.ending = GetPrivateProfileIntW(kRecordSection, kKeyEnding, 0, path) != 0;
    return record;
}

// An earlier version's record in the user's profile is the machine's now:
// the override it speaks of runs on this machine's controller. It is
// removed from the profile once moved, so it roams no further; one that
// cannot be moved still counts, and the next read tries again.
std::optional<FullChargeOnceRecord> MoveProfileRecord(const FullChargeOnceFiles &files)
{
    if (files.profileRecord[0] == L'\0' || !FileExists(files.profileRecord))
        return std::nullopt;
    const FullChargeOnceRecord record = ParseRecord(files.profileRecord, files.settings);
    if (WriteFullChargeOnceRecord(files, record))
        DeleteFileW(files.profileRecord);
    return record;
}

} // namespace

FullChargeOnceFiles GetFullChargeOnceFiles()
{
    FullChargeOnceFiles files;
    GetMachineFilePath(kRecordName, files.record);
    GetSettingFilePath(files.settings);
    if (files.settings[0] == L'\0')
        return files;
    wchar_t folder[MAX_PATH];
    if (FAILED(StringCchCopyW(folder, MAX_PATH, files.settings)) || !PathRemoveFileSpecW(folder) ||
        FAILED(StringCchPrintfW(files.profileRecord, MAX_PATH, L"%ls\\%ls", folder, kRecordName)))
        files.profileRecord[0] = L'\0';
    return files;
}

std::optional<FullChargeOnceRecord> ReadFullChargeOnceRecord(const FullChargeOnceFiles &files)
{
    if (files.record[0] != L'\0' && FileExists(files.record)) {
        // The profile's copy, if one came back with a roaming profile, is
        // older than the machine's.
        if (files.profileRecord[0] != L'\0')
            DeleteFileW(files.profileRecord);
        return ParseRecord(files.record, files.settings);
    }
    return MoveProfileRecord(files);
}

bool WriteFullChargeOnceRecord(const FullChargeOnceFiles &files, const FullChargeOnceRecord &record)
{
    char text[80];
    size_t length = 0;
    if (FAILED(StringCchPrintfA(text, sizeof(text), "[FullChargeOnce]\r\nLimit=%u\r\nChargerSeen=%u\r\n%s",
                                static_cast<unsigned>(record.limit), record.chargerSeen ? 1u : 0u,
                                record.ending ? "Ending=1\r\n" : "")) ||
        FAILED(StringCchLengthA(text, sizeof(text), &length)))
        return false;
    return ReplaceFileWhole(files.record, text, length);
}

bool RemoveFullChargeOnceRecord(const FullChargeOnceFiles &files)
{
    return RemoveFileIfAny(files.record);
}

} // namespace kvf

// The record of a running one-time full charge: "FullChargeOnce.ini" in the
// folder of the settings file, section "FullChargeOnce", keys "Limit" (the
// battery charge limit that comes back: 0 = 100 %, 1 = 80 %, 2 = 50 %) and
// "ChargerSeen" (0/1). The file exists exactly while an override runs.
//
// It is a file of its own so that nothing done to "KivoFCtrl.ini" (its
// repair from the default text above all) can lose a running override. It
// is always written whole, through a temporary file in the same folder that
// replaces it, so a reader sees the old record or the new one, never a part.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace kvf {

struct FullChargeOnceRecord {
    uint32_t limit = 0;
    bool chargerSeen = false;
};

// The settings file's path and the record's path beside it; both empty
// when the per-user folder cannot be resolved.
struct FullChargeOnceFiles {
    wchar_t settings[MAX_PATH] = L"";
    wchar_t record[MAX_PATH] = L"";
};
FullChargeOnceFiles GetFullChargeOnceFiles();

// Empty when no override runs. A "Limit" that is missing or out of range
// reads as the settings file's "BatteryChargeLimit".
std::optional<FullChargeOnceRecord> ReadFullChargeOnceRecord(const FullChargeOnceFiles &files);

// Writes the whole record under the settings-file write lock; false when
// it could not be written or the lock could not be had (the old record, if
// any, then stands).
bool WriteFullChargeOnceRecord(const FullChargeOnceFiles &files, const FullChargeOnceRecord &record);

// Removes the record under the same lock; true when none is left.
bool RemoveFullChargeOnceRecord(const FullChargeOnceFiles &files);

} // namespace kvf

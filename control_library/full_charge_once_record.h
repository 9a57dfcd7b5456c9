// The record of a running one-time full charge: "FullChargeOnce.ini" in the
// machine data folder, section "FullChargeOnce", keys "Limit" (the
// controller's battery charge limit before the override: 0 = 100 %,
// 1 = 80 %, 2 = 50 %), "ChargerSeen" (0/1) and, once an end has begun,
// "Ending=1". The file exists exactly while an override runs or ends.
//
// The controller is the machine's, so the record is too: every user's
// session sees it and completes what runs, and no roaming profile carries
// it to another machine. It is a file of its own so that nothing done to a
// user's "KivoFCtrl.ini" (its repair from the default text above all) can
// lose it. It is always written whole (machine_files.h). Every read and
// change runs under the machine lock "Global\hMutexFullChargeOnce", which
// the caller holds.
//
// An earlier version kept the record beside the user's settings file; the
// first read moves such a record here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace kvf {

struct FullChargeOnceRecord {
    uint32_t limit = 0;
    bool chargerSeen = false;
    // An end has begun: the record is removed once the limit that comes
    // back is sent, and whoever finds it so completes the end.
    bool ending = false;
};

// The user's settings file, the record and the earlier version's record
// beside the settings file; a path is empty when it cannot be resolved.
struct FullChargeOnceFiles {
    wchar_t settings[MAX_PATH] = L"";
    wchar_t record[MAX_PATH] = L"";
    wchar_t profileRecord[MAX_PATH] = L"";
};
FullChargeOnceFiles GetFullChargeOnceFiles();

// Empty when no override runs. A "Limit" that is missing or out of range
// (a partial or foreign record) reads as the settings file's
// "BatteryChargeLimit".
std::optional<FullChargeOnceRecord> ReadFullChargeOnceRecord(const FullChargeOnceFiles &files);

// Writes the whole record; false when it could not be written (the old
// record, if any, then stands).
bool WriteFullChargeOnceRecord(const FullChargeOnceFiles &files, const FullChargeOnceRecord &record);

// Removes the record; true when none is left.
bool RemoveFullChargeOnceRecord(const FullChargeOnceFiles &files);

} // namespace kvf

// What the machine policy wrote to the controller: "PolicyWritten.ini" in
// the machine data folder, section "Written", a key per option
// ("BatteryChargeLimit", "USBCharge") with the value a session's start (or
// the end of a one-time full charge) wrote because the policy fixed it.
//
// Once the policy no longer fixes an option, the next session's start
// gives the controller back to the user: it writes the user's stored value
// where the controller still holds the policy's, and forgets the note. A
// value the policy did not write is never replaced that way. The caller
// holds the machine lock "Global\hMutexFullChargeOnce".
#pragma once

#include <cstdint>
#include <optional>

namespace kvf {

// Empty when no note is kept for the option (or the note is out of range).
std::optional<uint32_t> ReadPolicyWritten(const wchar_t *key, uint32_t bound);

// Notes the value; forgets the note with an empty value. False when the
// note could not be written.
bool NotePolicyWritten(const wchar_t *key, std::optional<uint32_t> value);

} // namespace kvf

// Reading one device's hardware ids and looking for ours among them: the
// walk shared by the device search of the install and by the removal.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <cstddef>

namespace kivodevinst {

enum class HardwareIdCheck {
    Matches,      // one of the device's ids equals the id exactly
    DoesNotMatch, // no id equals it, or the device has no hardware ids
    Failed,       // the property could not be read: error holds why
};

// Reads SPDRP_HARDWAREID of the device and walks the multi-string.
HardwareIdCheck CheckHardwareIds(HDEVINFO set, SP_DEVINFO_DATA *device, const wchar_t *hardwareId,
                                 DWORD &error);

// True when one string of the multi-string (units wide characters of data)
// equals the id: same length, same case. The walk ends at the first empty
// string or at the end of the data, also when the data lacks terminators.
bool HardwareIdListHolds(const wchar_t *list, size_t units, const wchar_t *hardwareId);

// The present devices of every class, as both commands search them.
HDEVINFO GetPresentDevices();

} // namespace kivodevinst

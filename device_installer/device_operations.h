// What the device installer does to the function button device. Each
// SetupAPI step is judged by its own result; the thread's last-error code
// then tells why a step failed.
#pragma once

#include <windows.h>

#include "exit_codes.h"

namespace kivodevinst {

// The firmware device whose driver this program installs.
inline constexpr wchar_t kHardwareId[] = L"ACPI\\ZRN5001";

// What an installation of the driver package beside the program achieved.
struct InstallResult {
    bool installed = false;
    bool restartNeeded = false;
};

// Binds the driver package beside the program to the device with the
// driver update's flags, creating a root-enumerated node first when none is
// present (and removing it again when its driver update fails).
InstallResult InstallDriverPackage(DWORD installFlags);

// "/Install": INSTALLFLAG_FORCE, no restart looked at. 0 or 2.
int InstallDevice();

// "/SetupInstall" and, silent, "/SetupInstallSilent" (which adds
// INSTALLFLAG_NONINTERACTIVE, so that what would need a dialog fails
// instead). 0, 3010 or 2.
int SetupInstallDevice(bool silent);

// "/Uninstall": removes every present node with the hardware id and leaves
// the driver package in the driver store. 0, or 1 when the list of present
// devices could not be obtained.
int RemoveDevices();

// "/SetupUninstall": removes every present node with the hardware id,
// checking each removal, then the driver packages those nodes were
// installed from. 0, 3010, 1, 3 or 4.
int SetupRemoveDevices();

// True when a present device carries the hardware id; the last-error code is
// then 0. False otherwise, with ERROR_NO_MORE_ITEMS when the search ran
// through every device, or the error that ended the search.
bool IsDevicePresent(const wchar_t *hardwareId);

// Creates and registers a root-enumerated node with the hardware id and
// installs the INF's driver on it with the flags (INSTALLFLAG_FORCE when
// none are given); a node whose driver update failed is removed again. True
// when every step succeeded, with the last-error code 0; false with the
// error of the step that failed. The reboot flag is set when the driver
// update or the node's install parameters ask for a restart.
bool RegisterAndInstallDevice(const wchar_t *hardwareId, const wchar_t *infPath,
                              BOOL *rebootRequired);
bool RegisterAndInstallDevice(const wchar_t *hardwareId, const wchar_t *infPath,
                              DWORD installFlags, BOOL *rebootRequired);

} // namespace kivodevinst

// What the device installer does to the function button device. The
// operations that the program's exit code is made of leave the thread's
// last-error code as their verdict.
#pragma once

#include <windows.h>

namespace kivodevinst {

// The firmware device whose driver this program installs.
inline constexpr wchar_t kHardwareId[] = L"ACPI\\ZRN5001";

// Exit codes of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNoDeviceList = 1;
inline constexpr int kExitFailure = 2;

// "/Install": binds the driver package beside the program to the device,
// creating a root-enumerated node first when none is present. 0 or 2.
int InstallDevice();

// "/Uninstall": removes every present node with the hardware id. 0, or 1
// when the list of present devices could not be obtained.
int RemoveDevices();

// True when a present device carries the hardware id; the last-error code is
// then 0. False otherwise, with ERROR_NO_MORE_ITEMS when the search ran
// through every device, or the error that ended the search.
bool IsDevicePresent(const wchar_t *hardwareId);

// Creates and registers a root-enumerated node with the hardware id and
// installs the INF's driver on it; a node whose driver update failed is
// removed again. True exactly when the last-error code after the steps is 0.
bool RegisterAndInstallDevice(const wchar_t *hardwareId, const wchar_t *infPath,
                              BOOL *rebootRequired);

} // namespace kivodevinst

// The simulated function button device as a whole: installing, removing and
// restarting its driver from a test.
#pragma once

#include <windows.h>

namespace kivotest {

// Ends the simulated driver's service (every device node must be gone and
// every handle closed). True when the service is stopped afterwards.
bool StopSimDriver();

// Installs the device, or removes every node of it, with the staged
// KivoDevInst.exe (/Install, /Uninstall). True on exit code 0.
bool InstallSimDevice();
bool RemoveSimDevice();

// Remove, stop, install: the driver starts anew and reads its saved state.
bool RestartSimDriver();

} // namespace kivotest

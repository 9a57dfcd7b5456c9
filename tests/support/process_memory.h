// What another process holds: its private memory and its GUI objects.
//
// Wine answers GetProcessMemoryInfo and GetGuiResources of another process
// with zeros, so under Wine the private memory is read from the Linux
// process that runs it (anonymous resident memory, /proc through drive Z:),
// and the USER objects are counted as the process's windows.
#pragma once

#include <windows.h>

#include <optional>

namespace kivotest {

// Private bytes of the process. Under Wine its Linux process is found by
// the image's full path, which must be the only one running.
std::optional<size_t> PrivateBytes(DWORD processId);

struct GuiObjects {
    DWORD gdi = 0;    // 0 where the platform does not tell
    DWORD user = 0;   // GetGuiResources, or else the process's windows
};
std::optional<GuiObjects> CountGuiObjects(DWORD processId);

} // namespace kivotest

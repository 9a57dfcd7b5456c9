// What another process holds: its private memory and its GUI objects.
//
// Wine answers GetProcessMemoryInfo and GetGuiResources of another process
// with zeros, so under Wine the private memory is read from the Linux
// process that runs it (anonymous resident memory, /proc through drive Z:),
// and the USER objects are counted as the process's windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kivotest {

// Private bytes of the process; imageName (e.g. L"KivoFunctionButtonApl.exe")
// finds its Linux process under Wine, where it must be the only one.
std::optional<size_t> PrivateBytes(DWORD processId, const std::wstring &imageName);

struct GuiObjects {
    DWORD gdi = 0;    // 0 where the platform does not tell
    DWORD user = 0;   // GetGuiResources, or else the process's windows
};
std::optional<GuiObjects> CountGuiObjects(DWORD processId);

} // namespace kivotest

// How many handles a process holds. Wine's GetProcessHandleCount answers 0,
// so count the process's entries in the system's handle table instead.
#pragma once

#include <windows.h>

#include <optional>

namespace kivotest {

std::optional<size_t> CountProcessHandles(DWORD processId = GetCurrentProcessId());

// How many threads a process runs.
std::optional<size_t> CountProcessThreads(DWORD processId);

} // namespace kivotest

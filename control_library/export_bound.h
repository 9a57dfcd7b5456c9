// The one bound on how long a call of the library waits for what other
// processes hold: the driver lock, a charge request the driver has pended,
// the settings file's and the one-time full charge's locks.
//
// The bound covers a whole export, not each wait in it: KVFOpen may send
// two commands, and the host's charge action makes two calls, and the
// user-interface thread that makes them must still answer before Windows
// takes its window for hung (5 s without reading its messages). The
// controller answers within milliseconds; a wait longer than the bound
// means another process's request is held up, and the caller is better
// told so (ERROR_TIMEOUT) than frozen.
#pragma once

#include <windows.h>

namespace kvf {

inline constexpr DWORD kExportWaitBoundMs = 2000;

// Starts the bound of an export on this thread for the scope; an export
// that calls another (KVFOpen calls the setters) keeps the outer bound.
class ExportBound {
public:
    ExportBound() noexcept;
    ~ExportBound();
    ExportBound(const ExportBound &) = delete;
    ExportBound &operator=(const ExportBound &) = delete;
};

// What is left of the running export's bound on this thread, 0 once it is
// spent; the whole bound when no export runs (the internal operations
// called on their own).
DWORD RemainingWaitMs() noexcept;

} // namespace kvf

#include "export_bound.h"

namespace kvf {

namespace {

// Per thread: exports of one process may run on several threads at once.
thread_local unsigned depth = 0;
thread_local ULONGLONG deadline = 0;

} // namespace

ExportBound::ExportBound() noexcept
{
    if (depth++ == 0)
        deadline = GetTickCount64() + kExportWaitBoundMs;
}

ExportBound::~ExportBound()
{
    --depth;
}

DWORD RemainingWaitMs() noexcept
{
    if (depth == 0)
        return kExportWaitBoundMs;
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<DWORD>(deadline - now) : 0;
}

} // namespace kvf

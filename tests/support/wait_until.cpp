#include "wait_until.h"

namespace kivotest {

namespace {
// Often enough not to slow a test down, seldom enough not to load the
// process it waits for.
constexpr DWORD kPollMs = 15;
} // namespace

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(kPollMs);
    }
}

} // namespace kivotest

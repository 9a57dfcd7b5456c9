// The debugger output of the calling thread, caught in the process itself:
// OutputDebugStringW raises a first-chance exception that a vectored handler
// sees before anything else (no debugger needed).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hosttest {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture &) = delete;
    DebugOutputCapture &operator=(const DebugOutputCapture &) = delete;

    // One entry per OutputDebugStringW call of this thread, in order.
    const std::vector<std::wstring> &lines() const { return lines_; }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS *pointers);

    PVOID handler_ = nullptr;
    DWORD thread_ = 0;
    bool lastWasWide_ = false;
    std::vector<std::wstring> lines_;
};

} // namespace hosttest

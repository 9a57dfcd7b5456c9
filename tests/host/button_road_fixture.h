// What the tests of the button road share: the stand-ins' log folder, the
// recorder that stands for a button's program, a window that receives the
// host's error message, and the callback record, button states and pending
// error reset before and after each test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "callback/callback_parameter.h"
#include "log_folder.h"

namespace hosttest {

// A record of the given kind and command.
_Param MakeParam(DWORD kind, const std::wstring &command, DWORD preEvent = 0);

// The log's lines, without their line ends; empty when there is no log.
std::vector<std::string> LogLines(const std::wstring &logFile);

// Waits until the log has at least count lines; its lines then.
std::vector<std::string> WaitLogLines(const std::wstring &logFile, std::size_t count,
                                      DWORD timeoutMs = 30000);

// The top-level window of that class, looked for until it appears; returned
// once its program waits for messages (done starting up).
HWND WaitForWindowOfClass(const wchar_t *className, DWORD timeoutMs = 30000);

// Closes every top-level window of that class and waits for its process to
// end, so no stand-in outlives the test.
void CloseStandIns(const wchar_t *className);

class ButtonRoadTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Command line of the recorder with its arguments; it logs "start <args>".
    static std::wstring RecorderCommand(const std::wstring &arguments);
    std::wstring RecorderLog() const { return logs_.File(L"CommandRecorder.log"); }

    // Messages 0x046E that reached window_ since the last call.
    int TakeErrorMessages();

    standintest::LogFolder logs_;
    HWND window_ = nullptr;
};

} // namespace hosttest

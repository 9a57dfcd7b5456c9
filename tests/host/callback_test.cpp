// The button callback: which report runs which button's action, the errors
// it hands to the main window, and the record shared with the
// user-interface thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "actions/executer.h"
#include "button_road_fixture.h"
#include "process.h"
#include "callback/notify_callback.h"
#include "errors/error_manager.h"
#include "test_paths.h"

namespace hosttest {
namespace {

struct TruthRow {
    const char *label;
    DWORD buttonAction;
    std::vector<uint32_t> reports;
    // One letter a call: the button whose action that call ran, or "-".
    const char *ran;
};

const TruthRow kTruthRows[] = {
    {"press: A 1,0,1 runs at the last 1", 1, {1, 0, 1}, "--A"},
    {"release: A 1,0,1 runs at the 0", 0, {1, 0, 1}, "-A-"},
    {"release: B 3,2,2 runs at the first 2", 0, {3, 2, 2}, "-B-"},
    {"press: B 3,2,2,3 runs at the 3", 1, {3, 2, 2, 3}, "---B"},
    {"release: first report 0 after start runs A", 0, {0, 0}, "A-"},
    {"press: first report 1 after start runs nothing", 1, {1, 3}, "--"},
    {"high bits ignored: 0x101 is A pressed", 1, {0, 0x101}, "-A"},
    {"high bits ignored: 6 is B released", 0, {6}, "B"},
    {"another action value acts like release", 2, {0, 2}, "AB"},
    {"buttons keep separate states", 1, {0, 2, 1, 3, 1, 3}, "--AB--"},
};

class NotifyCallBackTruthTable : public ButtonRoadTest,
                                 public ::testing::WithParamInterface<TruthRow> {};

TEST_P(NotifyCallBackTruthTable, RunsExactlyTheDueButton)
{
    const TruthRow &row = GetParam();
    const _Param a = MakeParam(1, RecorderCommand(L"A"));
    const _Param b = MakeParam(1, RecorderCommand(L"B"));
    SetParameter(BUTTON_A, &a);
    SetParameter(BUTTON_B, &b);
    SetButtonAction(row.buttonAction);

    std::string ran;
    std::size_t seen = 0;
    DWORD startError = 0;  // why an action failed, should one fail
    for (const uint32_t report : row.reports) {
        Notify_CallBack(report);
        if (startError == 0 && CErrorManager::GetError() != KVF_ERROR_NONE)
            startError = GetLastError();
        // A recorder the call started exists once the call returns, and has
        // written its line once it has ended.
        ASSERT_TRUE(kivotest::WaitProcessesEnded(L"CommandRecorder.exe"));
        const std::vector<std::string> lines = LogLines(RecorderLog());
        ASSERT_LE(lines.size(), seen + 1) << "one call acts for at most one button";
        ran += lines.size() == seen ? "-" : lines.back() == "start A" ? "A" : "B";
        seen = lines.size();
    }
    EXPECT_EQ(ran, row.ran);
    EXPECT_EQ(CErrorManager::GetError(), KVF_ERROR_NONE) << "start error " << startError;
    EXPECT_EQ(TakeErrorMessages(), 0);
}

INSTANTIATE_TEST_SUITE_P(Reports, NotifyCallBackTruthTable, ::testing::ValuesIn(kTruthRows),
                         [](const ::testing::TestParamInfo<TruthRow> &info) {
                             return "Row" + std::to_string(info.index);
                         });

struct FailureRow {
    const char *label;
    uint32_t report;  // with ButtonAction 0, a release of one button
    std::wstring command;
    int error;
};

class FailedActions : public ButtonRoadTest {};

TEST_F(FailedActions, SetTheButtonsErrorAndPostTheMessage)
{
    const std::wstring missing = L"Z:\\no such folder\\missing.exe";
    // An unresolved record runs nothing and reports nothing.
    const FailureRow rows[] = {
        {"A missing program", 0, missing, KVF_ERROR_BUTTON_A_EXECUTE},
        {"B missing program", 2, missing + L" -x", KVF_ERROR_BUTTON_B_EXECUTE},
        {"A unresolved", 0, L"", KVF_ERROR_NONE},
        {"B unresolved, option only", 2, L" -x", KVF_ERROR_NONE},
    };
    SetButtonAction(0);
    for (const FailureRow &row : rows) {
        SCOPED_TRACE(row.label);
        const _Param param = MakeParam(1, row.command);
        SetParameter(row.report == 0 ? BUTTON_A : BUTTON_B, &param);
        gdwButtonStatusA = 1;
        gdwButtonStatusB = 3;
        SetError(KVF_ERROR_NONE);
        Notify_CallBack(row.report);
        EXPECT_EQ(CErrorManager::GetError(), row.error);
        EXPECT_EQ(TakeErrorMessages(), row.error == KVF_ERROR_NONE ? 0 : 1);
    }
}

TEST_F(FailedActions, ElevationRequiredIsItsOwnError)
{
    // The device installer's manifest asks for administrator rights.
    const _Param param = MakeParam(1, kivotest::DistFile(L"KivoDevInst.exe"));
    SetLastError(0);
    const BOOL started = executer(&param);
    const DWORD error = GetLastError();
    if (started) {
        // Wine raises such a program's rights itself instead of refusing it.
        GTEST_SKIP() << "this platform starts programs that require elevation";
    }
    ASSERT_EQ(error, 740u);
    SetButtonAction(0);
    SetParameter(BUTTON_B, &param);
    Notify_CallBack(2);
    EXPECT_EQ(CErrorManager::GetError(), KVF_ERROR_ELEVATION_REQUIRED);
    EXPECT_EQ(TakeErrorMessages(), 1);
}

// Records filled wholly with one letter, which a copy must show throughout.
_Param Filled(wchar_t letter)
{
    _Param param{};
    param.dwPreEvent = letter;
    param.dwPathInfo = letter;
    std::fill(std::begin(param.szKicker), std::end(param.szKicker) - 1, letter);
    std::fill(std::begin(param.szCommand), std::end(param.szCommand) - 1, letter);
    return param;
}

bool Whole(const _Param &param)
{
    const wchar_t letter = static_cast<wchar_t>(param.dwPathInfo);
    if (param.dwPreEvent != letter)
        return false;
    for (std::size_t i = 0; i + 1 < kKickerChars; ++i)
        if (param.szKicker[i] != letter)
            return false;
    for (std::size_t i = 0; i + 1 < kCommandChars; ++i)
        if (param.szCommand[i] != letter)
            return false;
    return true;
}

class SharedRecord : public ButtonRoadTest {};

TEST_F(SharedRecord, CopiesAreNeverTorn)
{
    const _Param x = Filled(L'x');
    const _Param y = Filled(L'y');
    SetParameter(BUTTON_A, &x);
    SetParameter(BUTTON_B, &x);
    // The writer keeps changing both records while the reader copies them.
    std::atomic<bool> done{false};
    int torn = 0;
    std::thread writer([&] {
        for (int i = 0; !done.load(); ++i) {
            SetParameter(BUTTON_A, i % 2 ? &x : &y);
            SetParameter(BUTTON_B, i % 2 ? &y : &x);
        }
    });
    // For a second: without the lock, copies this fast tear within it.
    const ULONGLONG end = GetTickCount64() + 1000;
    while (GetTickCount64() < end) {
        const CallBackSnapshot copy = CopyCallBackParameter();
        if (!Whole(copy.paramA) || !Whole(copy.paramB))
            ++torn;
    }
    done.store(true);
    writer.join();
    EXPECT_EQ(torn, 0);
}

TEST_F(SharedRecord, AWriterDoesNotWaitForARunningAction)
{
    // The pre-event alone keeps the callback busy for about 3 s when no
    // bitmap arrives on the clipboard.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    const _Param slow = MakeParam(0, L"", 1);
    SetParameter(BUTTON_A, &slow);
    SetButtonAction(0);
    std::atomic<bool> finished{false};
    std::thread callback([&] {
        Notify_CallBack(0);
        finished.store(true);
    });
    Sleep(300);
    const _Param changed = MakeParam(1, RecorderCommand(L"new"));
    SetParameter(BUTTON_A, &changed);
    SetButtonAction(1);
    // Both writes went through while the action was still running.
    const bool stillRunning = !finished.load();
    callback.join();
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(gCallBackParameter.dwButtonAction, 1u);
    EXPECT_EQ(std::wstring(gCallBackParameter.ParamA.szCommand), RecorderCommand(L"new"));
}

} // namespace
} // namespace hosttest

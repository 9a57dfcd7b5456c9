// The actions a button runs, against real processes and windows: programs
// brought to the front, the switchers, the pen application and the
// companion, and the screen-capture pre-event.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "actions/executer.h"
#include "actions/foreground.h"
#include "actions/process_start.h"
#include "button_road_fixture.h"
#include "callback/notify_callback.h"
#include "errors/error_manager.h"
#include "platform/user_process_start.h"
#include "standin_process.h"
#include "temp_folder.h"
#include "token_facts.h"
#include "test_paths.h"
#include "wait_until.h"

namespace hosttest {
namespace {

constexpr wchar_t kPlainClass[] = L"PlainWindowStandInWindow";
constexpr wchar_t kCaptureClass[] = L"ZRCaptureToolStandInWindow";
constexpr wchar_t kVelmoClass[] = L"VelmoStandInWindow";

// The system hands the foreground over asynchronously when the window
// belongs to another thread.
bool WaitForeground(HWND window)
{
    return kivotest::WaitUntil([window] { return GetForegroundWindow() == window; }, 5000);
}

BOOL Execute(DWORD kind, const std::wstring &command)
{
    _Param param = MakeParam(kind, command);
    return execute(kind, param.szCommand);
}

// The program part of a fixed command: everything before the first blank.
std::wstring ProgramOf(const wchar_t *command)
{
    const std::wstring text = command;
    return text.substr(0, text.find(L' '));
}

// Puts the recorder where a fixed command's program is and restores what
// was there before.
class ProgramReplacement {
public:
    explicit ProgramReplacement(std::wstring path) : path_(std::move(path)), saved_(path_ + L".kivo-saved")
    {
        moved_ = MoveFileW(path_.c_str(), saved_.c_str()) != FALSE;
        copied_ = CopyFileW(kivotest::BinFile(L"CommandRecorder.exe").c_str(), path_.c_str(), TRUE) != FALSE;
    }
    ~ProgramReplacement()
    {
        DeleteFileW(path_.c_str());
        if (moved_)
            MoveFileW(saved_.c_str(), path_.c_str());
    }
    bool ok() const { return copied_; }

private:
    std::wstring path_;
    std::wstring saved_;
    bool moved_ = false;
    bool copied_ = false;
};

class Actions : public ButtonRoadTest {
protected:
    void TearDown() override
    {
        for (const wchar_t *windowClass : {kPlainClass, kCaptureClass, kVelmoClass})
            CloseStandIns(windowClass);
        ButtonRoadTest::TearDown();
    }
    std::vector<std::string> Log(const wchar_t *name) const { return LogLines(logs_.File(name)); }
};

TEST_F(Actions, AProgramStartsAndComesToTheFront)
{
    ASSERT_EQ(Execute(1, kivotest::BinFile(L"PlainWindow.exe") + L" one two"), TRUE);
    const HWND window = WaitForWindowOfClass(kPlainClass);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitForeground(window));
    EXPECT_EQ(Log(L"PlainWindow.log"), std::vector<std::string>{"start one two"});
}

// The process's main window comes to the front, not the owned popup or the
// hidden helper window that come before it in the windows' order (the
// newest first).
TEST_F(Actions, TheMainWindowComesToTheFrontNotAPopupOrAHiddenWindow)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HWND main = CreateWindowExW(0, L"STATIC", L"Kivo main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                      nullptr, nullptr, instance, nullptr);
    const HWND hidden = CreateWindowExW(0, L"STATIC", L"Kivo hidden", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        instance, nullptr);
    const HWND popup = CreateWindowExW(0, L"STATIC", L"Kivo popup", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, main,
                                       nullptr, instance, nullptr);
    ASSERT_TRUE(main && hidden && popup);
    BringToFront(GetCurrentProcessId(), false);
    EXPECT_TRUE(WaitForeground(main));
    for (HWND window : {popup, hidden, main})
        DestroyWindow(window);
}

TEST_F(Actions, AnUnresolvedCommandDoesNothingAndSucceeds)
{
    for (const DWORD kind : {1u, 2u, 5u, 100u}) {
        for (const wchar_t *command : {L"", L" ", L" -option"}) {
            SCOPED_TRACE(kind);
            SetLastError(0);
            EXPECT_EQ(Execute(kind, command), TRUE);
        }
    }
    // Kinds without an action succeed too.
    EXPECT_EQ(Execute(0, RecorderCommand(L"x")), TRUE);
    EXPECT_EQ(Execute(42, RecorderCommand(L"x")), TRUE);
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((logs_.path() + L"\\*.log").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "nothing was started";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(Actions, TheSwitchersStartFromThisMachinesWindowsFolder)
{
    WCHAR windows[MAX_PATH];
    WCHAR system[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_EQ(std::wstring(gAltTab.szCommand),
              std::wstring(windows) + L"\\explorer.exe shell:::{3080F90E-D7AD-11D9-BD98-0000947B0257}");
    EXPECT_EQ(std::wstring(gSecondary.szCommand), std::wstring(system) + L"\\DisplaySwitch.exe");

    struct Row {
        DWORD kind;
        _ariveExec *fixed;
        const wchar_t *log;
        const char *line;
    };
    const Row rows[] = {
        {3, &gAltTab, L"explorer.log", "start shell:::{3080F90E-D7AD-11D9-BD98-0000947B0257}"},
        {4, &gSecondary, L"DisplaySwitch.log", "start"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.kind);
        const ProgramReplacement recorder(ProgramOf(row.fixed->szCommand));
        ASSERT_TRUE(recorder.ok());
        ASSERT_EQ(Execute(row.kind, L"ignored"), TRUE);
        // Started without a wait: the process id is kept, its handles are not.
        EXPECT_NE(row.fixed->pi.dwProcessId, 0u);
        EXPECT_EQ(WaitLogLines(logs_.File(row.log), 1), std::vector<std::string>{row.line});
    }
}

TEST_F(Actions, ThePenApplicationStartsItsLauncherAndRaisesTheCaptureTool)
{
    kivotest::TempFolder pen;
    ASSERT_FALSE(pen.path().empty());
    for (const wchar_t *exe : {L"InkrunKicker.exe", L"ZRCaptureTool.exe"})
        ASSERT_TRUE(CopyFileW(kivotest::BinFile(exe).c_str(), pen.File(exe).c_str(), TRUE));

    ASSERT_EQ(Execute(100, pen.File(L"InkrunKicker.exe") + L" -pen"), TRUE);
    const std::vector<std::string> kicker = WaitLogLines(logs_.File(L"InkrunKicker.log"), 2);
    ASSERT_EQ(kicker.size(), 2u);
    EXPECT_EQ(kicker[0], "start -pen");
    EXPECT_EQ(kicker[1].rfind("launched ", 0), 0u);
    const HWND capture = WaitForWindowOfClass(kCaptureClass);
    ASSERT_NE(capture, nullptr);

    // With the capture tool running, a press brings it to the front even
    // when the launcher cannot be found; the launcher's error is kept.
    ASSERT_EQ(Execute(1, kivotest::BinFile(L"PlainWindow.exe")), TRUE);
    ASSERT_TRUE(WaitForeground(WaitForWindowOfClass(kPlainClass)));
    SetLastError(0);
    EXPECT_EQ(Execute(100, pen.File(L"missing\\InkrunKicker.exe")), FALSE);
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
    EXPECT_TRUE(WaitForeground(capture));
}

TEST_F(Actions, TheCompanionIsStartedOnceAndWokenByItsMessage)
{
    const std::wstring velmo = kivotest::BinFile(L"Velmo.exe");
    ASSERT_EQ(FindWindowW(kVelmoClass, nullptr), nullptr);

    // Not running, with an option: the command names no file.
    SetLastError(0);
    EXPECT_EQ(Execute(101, velmo + L" -x"), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Log(L"Velmo.log").empty());

    // Not running: started through the shell (the trailing blank does not
    // count).
    ASSERT_EQ(Execute(101, velmo + L" "), TRUE);
    ASSERT_NE(WaitForWindowOfClass(kVelmoClass), nullptr);
    EXPECT_EQ(WaitLogLines(logs_.File(L"Velmo.log"), 1).at(0), "start");

    // Running in this session: not started again, woken by the broadcast,
    // its window brought to the front.
    const HWND companion = WaitForWindowOfClass(kVelmoClass);
    ASSERT_EQ(Execute(1, kivotest::BinFile(L"PlainWindow.exe")), TRUE);
    ASSERT_TRUE(WaitForeground(WaitForWindowOfClass(kPlainClass)));
    const std::size_t before = Log(L"Velmo.log").size();
    ASSERT_EQ(Execute(101, velmo + L" "), TRUE);
    const std::vector<std::string> lines = WaitLogLines(logs_.File(L"Velmo.log"), before + 1);
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_EQ(lines.back().rfind("message ", 0), 0u);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "start"), 1);
    EXPECT_TRUE(WaitForeground(companion));

    // Running, even a command with an option only wakes it.
    EXPECT_EQ(Execute(101, velmo + L" -x"), TRUE);
}

TEST_F(Actions, AFailingCompanionOrPenStartIsTheButtonsError)
{
    SetButtonAction(0);
    struct Row {
        DWORD kind;
        uint32_t report;
        int error;
    };
    for (const Row &row : {Row{101, 0, KVF_ERROR_BUTTON_A_EXECUTE}, Row{100, 2, KVF_ERROR_BUTTON_B_EXECUTE}}) {
        SCOPED_TRACE(row.kind);
        const _Param param = MakeParam(row.kind, L"Z:\\no such folder\\Velmo.exe -x");
        SetParameter(row.report == 0 ? BUTTON_A : BUTTON_B, &param);
        gdwButtonStatusA = 1;
        gdwButtonStatusB = 3;
        Notify_CallBack(row.report);
        EXPECT_EQ(CErrorManager::GetError(), row.error);
        EXPECT_EQ(TakeErrorMessages(), 1);
    }
}

StartFacts deliveredFacts{};
StartFacts DeliveredFacts() noexcept
{
    return deliveredFacts;
}

// A program a button starts never gets the host's UI access: with it, the
// program is a child of the desktop shell and takes the shell's token (a
// stand-in plays the shell where the facts are delivered; the test bed's
// desktop shell where they are observed); without a shell nothing starts and
// the press shows "Can not execute."; a host without UI access starts it
// itself.
TEST_F(Actions, AProgramStartsWithTheUsersTokenNeverWithTheHostsUiAccess)
{
    standintest::StandInProcess shell;
    ASSERT_TRUE(shell.Start(kivotest::BinFile(L"PlainWindow.exe")));
    ASSERT_NE(shell.WaitForWindow(kPlainClass), nullptr);
    DWORD desktopShell = 0;
    GetWindowThreadProcessId(GetShellWindow(), &desktopShell);
    ASSERT_NE(desktopShell, 0u) << "the test bed's desktop has a shell window";
    const std::wstring reporter = kivotest::BinFile(L"TokenReporter.exe");
    const std::wstring log = logs_.File(L"TokenReporter.log");
    const DWORD self = GetCurrentProcessId();
    enum Facts { kObserved, kUiAccessShell, kUiAccessNoShell, kNoUiAccess };
    struct Row {
        const char *name;
        Facts facts;
        DWORD kind;
        DWORD parent; // 0: nothing starts
        int error;
    };
    const Row rows[] = {
        {"program, under the shell", kUiAccessShell, 1, shell.id(), 0},
        {"pen launcher, under the shell", kUiAccessShell, 100, shell.id(), 0},
        {"companion, under the shell", kUiAccessShell, 101, shell.id(), 0},
        {"program, no shell", kUiAccessNoShell, 1, 0, KVF_ERROR_BUTTON_A_EXECUTE},
        {"companion, no shell", kUiAccessNoShell, 101, 0, KVF_ERROR_BUTTON_A_EXECUTE},
        {"program, host without UI access", kNoUiAccess, 1, self, 0},
        // Wine cannot tell a token's UI access: the host takes it as there.
        {"program, this desktop", kObserved, 1, desktopShell, 0},
    };
    SetButtonAction(0);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        DeleteFileW(log.c_str());
        SetError(KVF_ERROR_NONE);
        deliveredFacts = StartFacts{row.facts != kNoUiAccess, row.facts == kUiAccessShell ? shell.id() : 0};
        UserProcessStart::SetFactsSource(row.facts == kObserved ? nullptr : DeliveredFacts);
        const _Param param = MakeParam(row.kind, reporter + (row.kind == 101 ? L" " : L" x"));
        SetParameter(BUTTON_A, &param);
        gdwButtonStatusA = 1;
        Notify_CallBack(0);
        EXPECT_EQ(CErrorManager::GetError(), row.error);
        EXPECT_EQ(TakeErrorMessages(), row.error != 0 ? 1 : 0);
        if (row.parent == 0) {
            EXPECT_TRUE(LogLines(log).empty());
            continue;
        }
        EXPECT_EQ(WaitLogLines(log, 1), std::vector<std::string>{"parent " + std::to_string(row.parent) + " " +
                                                                 standin::TokenFacts(GetCurrentProcess())});
    }
    UserProcessStart::SetFactsSource(nullptr);
}

// The clipboard holding a bitmap, or nothing, for the length of a test.
void FillClipboard(bool bitmap)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (bitmap)
        SetClipboardData(CF_BITMAP, CreateBitmap(1, 1, 1, 32, nullptr));
    CloseClipboard();
}

TEST_F(Actions, ThePrintScreenPreEventWaitsForABitmap)
{
    using Clock = std::chrono::steady_clock;
    const _Param captureOnly = MakeParam(0, L"", 1);
    const _Param captureThenProgram = MakeParam(1, RecorderCommand(L"after"), 1);

    // A bitmap there already: the wait ends at the first poll.
    FillClipboard(true);
    auto start = Clock::now();
    EXPECT_EQ(executer(&captureThenProgram), TRUE);
    const auto withBitmap = Clock::now() - start;
    EXPECT_EQ(WaitLogLines(RecorderLog(), 1), std::vector<std::string>{"start after"});

    // None arrives: 100 polls 30 ms apart, then the action runs anyway.
    FillClipboard(false);
    start = Clock::now();
    EXPECT_EQ(executer(&captureOnly), TRUE);
    const auto without = Clock::now() - start;
    FillClipboard(false);

    EXPECT_LT(withBitmap, std::chrono::milliseconds(1500));
    EXPECT_GE(without, std::chrono::milliseconds(3000));
    EXPECT_LT(without, std::chrono::milliseconds(10000));
}

} // namespace
} // namespace hosttest

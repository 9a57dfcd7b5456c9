// The windowed stand-ins: each shows its window as the system will look for
// it, logs how it was started and ends cleanly on WM_CLOSE.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "file_text.h"
#include "log_folder.h"
#include "standin_process.h"
#include "temp_folder.h"
#include "test_paths.h"

namespace standintest {
namespace {

struct WindowedStandIn {
    const wchar_t *exe;
    const wchar_t *log;
    const wchar_t *className;
    const wchar_t *title;
    bool visible;
};

constexpr WindowedStandIn kVelmo{L"Velmo.exe", L"Velmo.log", L"VelmoStandInWindow", L"Velmo", false};
constexpr WindowedStandIn kCaptureTool{L"ZRCaptureTool.exe", L"ZRCaptureTool.log",
                                       L"ZRCaptureToolStandInWindow", L"ZRCaptureTool", true};
constexpr WindowedStandIn kPlainWindow{L"PlainWindow.exe", L"PlainWindow.log",
                                       L"PlainWindowStandInWindow", L"Plain Window", true};

void PrintTo(const WindowedStandIn &standIn, std::ostream *out)
{
    const std::wstring exe = standIn.exe;
    *out << std::string(exe.begin(), exe.end());
}

std::string PrintName(const testing::TestParamInfo<WindowedStandIn> &info)
{
    std::wstring name = info.param.exe;
    return std::string(name.begin(), name.end() - 4);
}

class WindowedStandInTest : public testing::TestWithParam<WindowedStandIn> {};

TEST_P(WindowedStandInTest, ShowsItsWindowAndEndsOnClose)
{
    const WindowedStandIn &standIn = GetParam();
    LogFolder logs;
    ASSERT_FALSE(logs.path().empty());
    StandInProcess process;
    ASSERT_TRUE(process.Start(CommandLineOf(kivotest::BinFile(standIn.exe), L"")));

    const HWND window = process.WaitForWindow(standIn.className);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowTitle(window), standIn.title);
    EXPECT_EQ(IsWindowVisible(window) != FALSE, standIn.visible);
    // The start line is written before the window is made.
    EXPECT_EQ(ReadFileBytes(logs.File(standIn.log)).value_or("<no log>"), "start\r\n");

    EXPECT_EQ(process.CloseAndWait(window), std::optional<DWORD>(0));
    EXPECT_EQ(ReadFileBytes(logs.File(standIn.log)).value_or("<no log>"), "start\r\nexit\r\n");
}

INSTANTIATE_TEST_SUITE_P(StandIns, WindowedStandInTest,
                         testing::Values(kVelmo, kCaptureTool, kPlainWindow), PrintName);

struct ArgumentCase {
    const char *name;
    WindowedStandIn standIn;
    const wchar_t *arguments;
    bool quoteProgram;
    const char *startLine;
};

const ArgumentCase kArgumentCases[] = {
    {"None", kPlainWindow, L"", false, "start"},
    {"NoneQuotedProgram", kPlainWindow, L"", true, "start"},
    {"One", kPlainWindow, L"one", false, "start one"},
    {"OneQuotedProgram", kPlainWindow, L"one", true, "start one"},
    {"InnerBlanksKept", kPlainWindow, L"two  spaced   words", true, "start two  spaced   words"},
    {"QuotesKept", kPlainWindow, L"\"quoted arg\" \"\" tail", false,
     "start \"quoted arg\" \"\" tail"},
    {"TabKept", kPlainWindow, L"tab\tseparated", false, "start tab\tseparated"},
    {"TrailingBlankKept", kPlainWindow, L"trailing ", true, "start trailing "},
    {"Utf8", kPlainWindow, L"caf\u00E9 \u65E5\u672C", true,
     "start caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"},
    {"Velmo", kVelmo, L"/startup", true, "start /startup"},
    {"CaptureTool", kCaptureTool, L"-capture \"C:\\My Notes\\page.png\"", true,
     "start -capture \"C:\\My Notes\\page.png\""},
};

void PrintTo(const ArgumentCase &test, std::ostream *out) { *out << test.name; }

class ArgumentTest : public testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentTest, StartLineHoldsTheArgumentsVerbatim)
{
    const ArgumentCase &test = GetParam();
    LogFolder logs;
    ASSERT_FALSE(logs.path().empty());
    StandInProcess process;
    ASSERT_TRUE(process.Start(
        CommandLineOf(kivotest::BinFile(test.standIn.exe), test.arguments, test.quoteProgram)));

    const HWND window = process.WaitForWindow(test.standIn.className);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(process.CloseAndWait(window), std::optional<DWORD>(0));
    EXPECT_EQ(ReadFileBytes(logs.File(test.standIn.log)).value_or("<no log>"),
              std::string(test.startLine) + "\r\nexit\r\n");
}

INSTANTIATE_TEST_SUITE_P(StandIns, ArgumentTest, testing::ValuesIn(kArgumentCases),
                         [](const testing::TestParamInfo<ArgumentCase> &info) {
                             return std::string(info.param.name);
                         });

TEST(StandInLog, IsNamedAfterTheExeItWasStartedAs)
{
    LogFolder logs;
    ASSERT_FALSE(logs.path().empty());
    TempFolder programs;
    ASSERT_FALSE(programs.path().empty());
    const std::wstring renamed = programs.File(L"Renamed Program.exe");
    ASSERT_TRUE(CopyFileW(kivotest::BinFile(L"PlainWindow.exe").c_str(), renamed.c_str(), TRUE));

    {
        StandInProcess process;
        ASSERT_TRUE(process.Start(CommandLineOf(renamed, L"x")));
        const HWND window = process.WaitForWindow(kPlainWindow.className);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(process.CloseAndWait(window), std::optional<DWORD>(0));
    }

    EXPECT_EQ(ReadFileBytes(logs.File(L"Renamed Program.log")).value_or("<no log>"),
              "start x\r\nexit\r\n");
    EXPECT_FALSE(FileExists(logs.File(L"PlainWindow.log")));
    EXPECT_FALSE(FileExists(programs.File(L"Renamed Program.log")));
}

} // namespace
} // namespace standintest

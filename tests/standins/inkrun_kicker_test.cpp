// InkrunKicker hands over to the capture tool beside it and ends at once; it
// reports a missing capture tool through its log and exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>

#include "file_text.h"
#include "log_folder.h"
#include "standin_process.h"
#include "temp_folder.h"
#include "test_paths.h"

namespace standintest {
namespace {

constexpr char kLaunched[] = "launched ";

// The process id of "start <arguments>\r\nlaunched <pid>\r\n"; empty when
// the log is not of that form.
std::optional<DWORD> LaunchedProcessId(const std::string &log, const std::string &startLine)
{
    const std::string head = startLine + "\r\n" + kLaunched;
    if (log.size() <= head.size() + 2 || log.compare(0, head.size(), head) != 0 ||
        log.compare(log.size() - 2, 2, "\r\n") != 0)
        return std::nullopt;
    const std::string digits = log.substr(head.size(), log.size() - head.size() - 2);
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<DWORD>(std::stoul(digits));
}

TEST(InkrunKicker, StartsTheCaptureToolAndEnds)
{
    LogFolder logs;
    ASSERT_FALSE(logs.path().empty());
    const auto kickerExit = kivotest::RunProcess(
        CommandLineOf(kivotest::BinFile(L"InkrunKicker.exe"), L"--pen"), kPatienceMs);

    // Take charge of the capture tool before anything may end the test.
    const std::string kickerLog = ReadFileBytes(logs.File(L"InkrunKicker.log")).value_or("<no log>");
    const auto captureToolId = LaunchedProcessId(kickerLog, "start --pen");
    StandInProcess captureTool;
    const bool attached = captureToolId && captureTool.Attach(*captureToolId);
    EXPECT_EQ(kickerExit, std::optional<DWORD>(0));
    ASSERT_TRUE(captureToolId) << kickerLog;
    ASSERT_TRUE(attached);
    const HWND window = captureTool.WaitForWindow(L"ZRCaptureToolStandInWindow");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ReadFileBytes(logs.File(L"ZRCaptureTool.log")).value_or("<no log>"), "start\r\n");

    EXPECT_EQ(captureTool.CloseAndWait(window), std::optional<DWORD>(0));
    EXPECT_EQ(ReadFileBytes(logs.File(L"ZRCaptureTool.log")).value_or("<no log>"),
              "start\r\nexit\r\n");
    EXPECT_EQ(ReadFileBytes(logs.File(L"InkrunKicker.log")).value_or("<no log>"), kickerLog);
}

struct MissingCase {
    const char *name;
    // Without a log folder the log lands beside the exe.
    bool withLogFolder;
};

void PrintTo(const MissingCase &test, std::ostream *out) { *out << test.name; }

class InkrunKickerMissingTest : public testing::TestWithParam<MissingCase> {};

TEST_P(InkrunKickerMissingTest, FailsWithoutTheCaptureToolBesideIt)
{
    TempFolder logFolder;
    ASSERT_FALSE(logFolder.path().empty());
    ScopedEnvironmentVariable variable(
        L"KIVO_STANDIN_LOG_DIR",
        GetParam().withLogFolder ? std::optional<std::wstring>(logFolder.path()) : std::nullopt);
    TempFolder programs;
    ASSERT_FALSE(programs.path().empty());
    const std::wstring kicker = programs.File(L"InkrunKicker.exe");
    ASSERT_TRUE(CopyFileW(kivotest::BinFile(L"InkrunKicker.exe").c_str(), kicker.c_str(), TRUE));

    EXPECT_EQ(kivotest::RunProcess(CommandLineOf(kicker, L""), kPatienceMs),
              std::optional<DWORD>(1));

    const TempFolder &logged = GetParam().withLogFolder ? logFolder : programs;
    const TempFolder &notLogged = GetParam().withLogFolder ? programs : logFolder;
    EXPECT_EQ(ReadFileBytes(logged.File(L"InkrunKicker.log")).value_or("<no log>"),
              "start\r\nlaunch failed 2\r\n");
    EXPECT_FALSE(FileExists(notLogged.File(L"InkrunKicker.log")));
    EXPECT_FALSE(FileExists(logged.File(L"ZRCaptureTool.log")));
}

INSTANTIATE_TEST_SUITE_P(StandIns, InkrunKickerMissingTest,
                         testing::Values(MissingCase{"LogFolderGiven", true},
                                         MissingCase{"LogBesideTheExe", false}),
                         [](const testing::TestParamInfo<MissingCase> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace standintest

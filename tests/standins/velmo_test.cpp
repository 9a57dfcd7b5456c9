// Velmo hears the startup broadcast although its window is hidden, and
// counts every one of them.
#include <gtest/gtest.h>

#include <windows.h>

#include "file_text.h"
#include "log_folder.h"
#include "standin_process.h"
#include "test_paths.h"

namespace standintest {
namespace {

void Broadcast(UINT message)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_NORMAL, 100, &result);
}

// Starts Velmo without arguments; its window, or null.
HWND StartVelmo(StandInProcess &velmo)
{
    if (!velmo.Start(CommandLineOf(kivotest::BinFile(L"Velmo.exe"), L"")))
        return nullptr;
    return velmo.WaitForWindow(L"VelmoStandInWindow");
}

TEST(Velmo, CountsEachStartupBroadcastWhileHidden)
{
    LogFolder logs;
    ASSERT_FALSE(logs.path().empty());
    StandInProcess velmo;
    const HWND window = StartVelmo(velmo);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));

    const UINT startup = RegisterWindowMessageW(L"VELMO STARTUPMESSAGE");
    const UINT unrelated = RegisterWindowMessageW(L"KIVO STANDIN UNRELATED MESSAGE");
    ASSERT_NE(startup, 0u);
    ASSERT_NE(unrelated, 0u);
    Broadcast(startup);
    Broadcast(unrelated);
    Broadcast(startup);

    // A broadcast that timed out is still delivered, and before the posted
    // close: sent messages go ahead of posted ones.
    EXPECT_EQ(velmo.CloseAndWait(window), std::optional<DWORD>(0));
    EXPECT_EQ(ReadFileBytes(logs.File(L"Velmo.log")).value_or("<no log>"),
              "start\r\nmessage 1\r\nmessage 2\r\nexit\r\n");
}

TEST(Velmo, AnswersTheStartupMessageSentDirectly)
{
    LogFolder logs;
    ASSERT_FALSE(logs.path().empty());
    StandInProcess velmo;
    const HWND window = StartVelmo(velmo);
    ASSERT_NE(window, nullptr);

    const UINT startup = RegisterWindowMessageW(L"VELMO STARTUPMESSAGE");
    DWORD_PTR result = 0xFFFF;
    ASSERT_NE(SendMessageTimeoutW(window, startup, 0, 0, SMTO_NORMAL, kPatienceMs, &result), 0);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(ReadFileBytes(logs.File(L"Velmo.log")).value_or("<no log>"),
              "start\r\nmessage 1\r\n");

    EXPECT_EQ(velmo.CloseAndWait(window), std::optional<DWORD>(0));
    EXPECT_EQ(ReadFileBytes(logs.File(L"Velmo.log")).value_or("<no log>"),
              "start\r\nmessage 1\r\nexit\r\n");
}

} // namespace
} // namespace standintest

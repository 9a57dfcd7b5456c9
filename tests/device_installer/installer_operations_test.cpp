// The installer's operations called directly: the switch, the INF path
// beside the program, the walk through a device's hardware ids, and the
// device search with its last-error verdict against Wine's real devices.
#include <windows.h>

#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "device_nodes.h"
#include "device_operations.h"
#include "exit_codes.h"
#include "hardware_ids.h"
#include "inf_path.h"

namespace {

using kivodevinst::Command;

Command Parse(std::vector<const wchar_t *> arguments)
{
    arguments.insert(arguments.begin(), L"KivoDevInst.exe");
    return kivodevinst::ParseCommand(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLineTest, OneSwitchComparedWithoutCase)
{
    const struct {
        std::vector<const wchar_t *> arguments;
        Command expected;
    } cases[] = {
        {{L"/Install"}, Command::Install},
        {{L"-Install"}, Command::Install},
        {{L"/INSTALL"}, Command::Install},
        {{L"-install"}, Command::Install},
        {{L"/Install:quiet"}, Command::Install},
        {{L"/InstallNow"}, Command::Install},
        {{L"/Uninstall"}, Command::Uninstall},
        {{L"-Uninstall"}, Command::Uninstall},
        {{L"-UNINSTALL"}, Command::Uninstall},
        {{L"/uninstall"}, Command::Uninstall},
        {{L"/Uninstall all"}, Command::Uninstall},
        {{}, Command::None},
        {{L"/Install", L"/Uninstall"}, Command::None},
        {{L"/Install", L""}, Command::None},
        {{L""}, Command::None},
        {{L"/Remove"}, Command::None},
        {{L"/Inst"}, Command::None},
        {{L"/Instal"}, Command::None},
        {{L"/Uninstal"}, Command::None},
        {{L"Install"}, Command::None},
        {{L"--Install"}, Command::None},
        {{L" /Install"}, Command::None},
        {{L"\\Install"}, Command::None},
        // The deployment switches: whole words, before the prefixes.
        {{L"/SetupInstall"}, Command::SetupInstall},
        {{L"/setupinstall"}, Command::SetupInstall},
        {{L"/SetupInstallSilent"}, Command::SetupInstallSilent},
        {{L"/setupUninstall"}, Command::SetupUninstall},
        {{L"/SetupInstallX"}, Command::None},
        {{L"/SetupInstallSilentNow"}, Command::None},
        {{L"/SetupUninstall:all"}, Command::None},
        {{L"-SetupInstall"}, Command::None},
        {{L"/SetupInstall", L"/SetupUninstall"}, Command::None},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.arguments.size() << " argument(s), first "
                                        << testing::PrintToString(std::wstring(
                                               c.arguments.empty() ? L"" : c.arguments[0])));
        EXPECT_EQ(Parse(c.arguments), c.expected);
    }
    EXPECT_EQ(kivodevinst::ParseCommand(2, nullptr), Command::None);
}

// Wine's driver update never asks for a restart, and its device list never
// fails: what such results become is shown on the mapping itself.
TEST(ExitCodeTest, ResultsWineCannotProduce)
{
    using namespace kivodevinst;
    const struct {
        int code;
        int expected;
    } cases[] = {
        {SetupInstallExitCode(true, true), 3010},
        {SetupInstallExitCode(false, true), 2},
        {SetupUninstallExitCode({false, true, true, true}), 1},
        {SetupUninstallExitCode({true, false, true, true}), 3}, // the package is then left
        {SetupUninstallExitCode({true, true, false, true}), 4},
        {InstallParamsAskForRestart(DI_NEEDRESTART | DI_QUIETINSTALL), true},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].code, cases[i].expected) << "case " << i;
}

TEST(InfPathTest, TheInfLiesBesideTheProgram)
{
    const struct {
        const wchar_t *program;
        const wchar_t *expected;
    } cases[] = {
        {L"C:\\Program Files\\Zerin\\KivoDevInst.exe",
         L"C:\\Program Files\\Zerin\\KivoFunctionButton.inf"},
        {L"Z:\\tmp\\dist\\KivoDevInst.exe", L"Z:\\tmp\\dist\\KivoFunctionButton.inf"},
        // PathRemoveFileSpecW keeps the root's backslash.
        {L"C:\\KivoDevInst.exe", L"C:\\\\KivoFunctionButton.inf"},
        // Nothing to remove: the INF is looked for from what is there.
        {L"C:\\", L"C:\\.\\KivoFunctionButton.inf"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.program)));
        wchar_t inf[MAX_PATH] = {};
        ASSERT_TRUE(kivodevinst::InfPathForProgram(c.program, inf));
        EXPECT_EQ(std::wstring(inf), c.expected);
    }
}

TEST(InfPathTest, AFolderTooLongForTheInfNameGivesNoPath)
{
    const std::wstring name = L"\\KivoFunctionButton.inf";
    // The longest folder whose INF path still fits, and one character more.
    const std::wstring fits = L"C:\\" + std::wstring(MAX_PATH - 1 - name.size() - 3, L'f');
    const std::wstring tooLong = fits + L"f";
    wchar_t inf[MAX_PATH] = {};
    ASSERT_TRUE(kivodevinst::InfPathForProgram((fits + L"\\KivoDevInst.exe").c_str(), inf));
    EXPECT_EQ(std::wstring(inf), fits + name);
    EXPECT_EQ(std::wstring(inf).size(), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_FALSE(kivodevinst::InfPathForProgram((tooLong + L"\\KivoDevInst.exe").c_str(), inf));
    // A program path that does not fit itself gives none either.
    EXPECT_FALSE(kivodevinst::InfPathForProgram(std::wstring(MAX_PATH, L'p').c_str(), inf));
}

TEST(InfPathTest, BesideThisProgram)
{
    wchar_t program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    std::wstring expected = program;
    expected = expected.substr(0, expected.rfind(L'\\')) + L"\\KivoFunctionButton.inf";
    wchar_t inf[MAX_PATH] = {};
    ASSERT_TRUE(kivodevinst::InfPathBesideProgram(inf));
    EXPECT_EQ(std::wstring(inf), expected);
}

TEST(HardwareIdListTest, OnlyAWholeIdOfTheSameCaseMatches)
{
    using namespace std::string_literals;
    const struct {
        const char *what;
        std::wstring list; // as the property holds it, terminators included
        bool expected;
    } cases[] = {
        {"the id alone", L"ACPI\\ZRN5001\0\0"s, true},
        {"the id second", L"ROOT\\OTHER\0ACPI\\ZRN5001\0\0"s, true},
        {"the id without the list's final zero", L"ACPI\\ZRN5001\0"s, true},
        {"the id without any terminator", L"ACPI\\ZRN5001"s, true},
        {"lower case", L"acpi\\zrn5001\0\0"s, false},
        {"one letter in another case", L"ACPI\\zRN5001\0\0"s, false},
        {"a character more", L"ACPI\\ZRN50011\0\0"s, false},
        {"a character less", L"ACPI\\ZRN500\0\0"s, false},
        {"a prefix of a longer id", L"ACPI\\ZRN5001&REV_01\0\0"s, false},
        {"after an empty string", L"ROOT\\OTHER\0\0ACPI\\ZRN5001\0\0"s, false},
        {"an empty list", L"\0\0"s, false},
        {"no data", L""s, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(kivodevinst::HardwareIdListHolds(c.list.data(), c.list.size(), L"ACPI\\ZRN5001"),
                  c.expected);
    }
    // The walk stays inside the data it was given.
    const std::wstring cut = L"ACPI\\ZRN5001";
    EXPECT_FALSE(kivodevinst::HardwareIdListHolds(cut.data(), cut.size() - 1, L"ACPI\\ZRN5001"));
    EXPECT_FALSE(kivodevinst::HardwareIdListHolds(nullptr, 4, L"ACPI\\ZRN5001"));
}

// The search against the machine's devices: the simulated device is
// installed by the test bed.
class DeviceSearchTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::wstring &node : nodes_)
            devinsttest::RemoveNode(node);
    }
    std::vector<std::wstring> nodes_;
};

TEST_F(DeviceSearchTest, APresentDeviceIsFoundWithErrorZero)
{
    ASSERT_EQ(devinsttest::PresentNodes().size(), 1u);
    SetLastError(ERROR_INVALID_FUNCTION);
    EXPECT_TRUE(kivodevinst::IsDevicePresent(L"ACPI\\ZRN5001"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(DeviceSearchTest, NoSuchDeviceEndsWithNoMoreItems)
{
    for (const wchar_t *id : {L"ACPI\\ZRN9999", L"acpi\\zrn5001", L"ACPI\\ZRN500", L""}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(id)));
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(kivodevinst::IsDevicePresent(id));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    }
}

TEST_F(DeviceSearchTest, ANodeOfTheTestsOwnIsFoundByItsExactId)
{
    const auto node = devinsttest::CreateRootNode({L"ZERIN\\FIRST", L"ZERIN\\SEARCHTEST"});
    ASSERT_TRUE(node.has_value());
    nodes_.push_back(*node);
    EXPECT_TRUE(kivodevinst::IsDevicePresent(L"ZERIN\\SEARCHTEST"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(kivodevinst::IsDevicePresent(L"ZERIN\\SearchTest"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

    ASSERT_TRUE(devinsttest::RemoveNode(*node));
    nodes_.clear();
    EXPECT_FALSE(kivodevinst::IsDevicePresent(L"ZERIN\\SEARCHTEST"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

} // namespace

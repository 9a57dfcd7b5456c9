// Where the settings file lives, its first-use copy and the write-back of the
// two selected ids, in the real per-user folder of the prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include "shell_folder_redirect.h"
#include "errors/error_manager.h"
#include "file_bytes.h"
#include "ini_text.h"
#include "parameter/function_button_parameter.h"
#include "scratch_folder.h"
#include "settings/folder_levels.h"
#include "settings/ini_file_path.h"
#include "win32/folder_levels.h"
#include "win32/unique_handle.h"
#include "user_settings_guard.h"

namespace {

using hosttest::IniText;

std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override { SetError(KVF_ERROR_NONE); }
    void TearDown() override { SetError(KVF_ERROR_NONE); }

    hosttest::UserSettingsGuard guard_;
};

TEST_F(SettingsFile, TemplateIsBesideTheRunningProgram)
{
    WCHAR path[kIniPathChars];
    ASSERT_TRUE(GetSourceIniFilePath(path, kIniPathChars));
    EXPECT_EQ(guard_.templateFile(), path);
    EXPECT_FALSE(GetSourceIniFilePath(path, kIniPathChars - 1));
    EXPECT_FALSE(GetSourceIniFilePath(nullptr, kIniPathChars));
}

TEST_F(SettingsFile, FirstUseCreatesTheFoldersAndCopiesTheTemplate)
{
    const std::string source = hosttest::AsciiBytes(IniText::Valid(3).Text());
    ASSERT_TRUE(guard_.WriteTemplate(source));
    ASSERT_FALSE(hosttest::PathExists(guard_.userFolder()));

    CFunctionButtonParameter parameter;
    EXPECT_STREQ(guard_.userFile().c_str(), parameter.getSetting()->IniPath);
    EXPECT_TRUE(hosttest::PathExists(guard_.zerinFolder()));
    EXPECT_TRUE(hosttest::PathExists(guard_.userFolder()));
    EXPECT_EQ(source, hosttest::ReadFileBytes(guard_.userFile()));
    EXPECT_EQ(TRUE, parameter.Load(nullptr));
    EXPECT_EQ(3u, parameter.getItems().size());
    EXPECT_EQ(0, CErrorManager::GetError());
}

TEST_F(SettingsFile, ExistingUserFileIsNeverReplaced)
{
    const std::string own = hosttest::AsciiBytes(IniText::Valid(2).Text());
    ASSERT_TRUE(guard_.WriteUserFile(own));
    ASSERT_TRUE(guard_.WriteTemplate(hosttest::AsciiBytes(IniText::Valid(5).Text())));

    CFunctionButtonParameter parameter;
    EXPECT_EQ(own, hosttest::ReadFileBytes(guard_.userFile()));
    EXPECT_EQ(TRUE, parameter.Load(nullptr));
    EXPECT_EQ(2u, parameter.getItems().size());
    EXPECT_EQ(own, hosttest::ReadFileBytes(guard_.userFile()));
}

TEST_F(SettingsFile, NeitherFileGivesError5AndCreatesNoFile)
{
    CFunctionButtonParameter parameter;
    EXPECT_EQ(5, CErrorManager::GetError());
    SetError(KVF_ERROR_NONE);
    EXPECT_EQ(FALSE, parameter.Load(nullptr));
    EXPECT_EQ(5, CErrorManager::GetError());
    EXPECT_EQ(255, parameter.getSetting()->ButtonADefaultId);
    EXPECT_EQ(255, parameter.getSetting()->ItemNum);
    EXPECT_TRUE(parameter.getItems().empty());
    EXPECT_FALSE(hosttest::PathExists(guard_.userFile()));
}

TEST_F(SettingsFile, BufferBelow260CharactersGivesError5)
{
    ASSERT_TRUE(guard_.WriteTemplate(hosttest::AsciiBytes(IniText::Valid(1).Text())));
    WCHAR path[kIniPathChars] = L"untouched";
    EXPECT_FALSE(GetIniFilePath(path, kIniPathChars - 1));
    EXPECT_EQ(5, CErrorManager::GetError());
    EXPECT_STREQ(L"untouched", path);
    SetError(KVF_ERROR_NONE);
    EXPECT_FALSE(GetIniFilePath(nullptr, kIniPathChars));
    EXPECT_EQ(5, CErrorManager::GetError());
    SetError(KVF_ERROR_NONE);
    EXPECT_TRUE(GetIniFilePath(path, kIniPathChars));
    EXPECT_EQ(0, CErrorManager::GetError());
    EXPECT_EQ(guard_.userFile(), path);
}

TEST_F(SettingsFile, CheckAndCreateDirCreatesEveryLevelUpTo248Characters)
{
    const hosttest::TempRoot root;
    const std::wstring file = root.path() + L"\\plain file";
    ASSERT_TRUE(hosttest::WriteFileBytes(file, "x"));
    const struct {
        std::wstring path;
        bool created;
    } rows[] = {
        {hosttest::PathOfLength(root.path() + L"\\a", 248), true},
        {hosttest::PathOfLength(root.path() + L"\\b", 249), false},
        {root.path() + L"\\c\\d\\", true},
        {root.path(), true},
        {file + L"\\below a file", false},
        {L"", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "length " << row.path.size());
        EXPECT_EQ(row.created, CheckAndCreateDir(row.path.c_str()));
        if (!row.path.empty()) {
            EXPECT_EQ(row.created, hosttest::PathExists(row.path));
        }
    }
    EXPECT_FALSE(CheckAndCreateDir(nullptr));
    // Nothing of a path that is too long is created.
    EXPECT_FALSE(hosttest::PathExists(root.path() + L"\\b"));
}

// The host's and the library's folder walks start below the drive or the
// share: Windows refuses to search for or create "\\", "\\server" and
// "\\server\share" (Wine answers ERROR_ALREADY_EXISTS), so a level the
// walk hands over is never one of those.
TEST(FolderLevels, TheWalkStartsBelowTheDriveOrTheShare)
{
    const struct {
        const wchar_t *folder; // ends with a backslash, as the walks make it
        std::vector<std::wstring> levels;
    } rows[] = {
        {L"C:\\Users\\a\\", {L"C:\\Users", L"C:\\Users\\a"}},
        {L"\\\\server\\share\\Users\\a\\", {L"\\\\server\\share\\Users", L"\\\\server\\share\\Users\\a"}},
        {L"\\\\server\\share\\", {}},
        {L"\\\\server\\", {}},
        {L"\\\\?\\UNC\\server\\share\\a\\", {L"\\\\?\\UNC\\server\\share\\a"}},
        {L"\\\\?\\C:\\a\\", {L"\\\\?\\C:\\a"}},
        {L"\\a\\b\\", {L"\\a", L"\\a\\b"}},
        {L"rel\\a\\", {L"rel", L"rel\\a"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.folder)));
        std::wstring buffer = row.folder;
        std::vector<std::wstring> visited;
        EXPECT_EQ(static_cast<int>(row.levels.size()), folder_levels::Walk(buffer.data(), [&](const wchar_t *level) {
                      visited.push_back(level);
                      return true;
                  }));
        EXPECT_EQ(row.levels, visited);
        EXPECT_EQ(std::wstring(row.folder), buffer);
    }
}

TEST_F(SettingsFile, PerUserFolderLengthDecidesWhetherThePathResolves)
{
    ASSERT_TRUE(guard_.WriteTemplate(hosttest::AsciiBytes(IniText::Valid(1).Text())));
    const hosttest::TempRoot root;
    // Lengths of "<roaming>\zerin\ZrFunctionButton": 236 leaves room for the
    // file name within 259 characters, 237 does not, 249 is a folder that
    // cannot be created at all.
    const struct {
        std::size_t folderLength;
        bool resolved;
    } rows[] = {{236, true}, {237, false}, {249, false}};
    const std::size_t folderTail = std::wcslen(gTcIniFolder);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.folderLength);
        const std::wstring roaming =
            hosttest::PathOfLength(root.path() + L"\\r" + std::to_wstring(row.folderLength),
                                   row.folderLength - folderTail);
        const kivotest::AppDataRedirect redirect(roaming);
        ASSERT_TRUE(redirect.ok());
        SetError(KVF_ERROR_NONE);
        CSetting setting;
        EXPECT_EQ(row.resolved ? 0 : 5, CErrorManager::GetError());
        const std::wstring expected = roaming + gTcIniFolder + gTcIniFileName;
        EXPECT_EQ(row.resolved, hosttest::PathExists(expected));
        if (row.resolved) {
            EXPECT_EQ(expected, setting.IniPath);
        }
        if (row.folderLength > 248) {
            EXPECT_FALSE(hosttest::PathExists(roaming + L"\\zerin"));
        }
        setting.LoadSetting();
        EXPECT_EQ(row.resolved, setting.CheckSetting());
    }
}

// Writes and compares whole files: the two values change, every other byte
// stays. The files hold no blank lines and no blanks around "=", because
// Wine's profile writer rewrites the whole file and drops those (Windows
// changes the line in place).
TEST_F(SettingsFile, UpdateChangesExactlyTheTwoSelectedIds)
{
    IniText ini = IniText::Valid(12);
    ini.Comment(L"edited by hand").Set(IniText::ItemSection(3), L"ItemOption", L"-x \"a b\"");
    const struct {
        const char *label;
        std::string before;
        std::string after;
    } rows[] = {
        {"ANSI file", hosttest::AsciiBytes(ini.Text()),
         Replace(Replace(hosttest::AsciiBytes(ini.Text()), "ButtonASettingId=2\r\n",
                         "ButtonASettingId=7\r\n"),
                 "ButtonBSettingId=12\r\n", "ButtonBSettingId=3\r\n")},
        {"Unicode file with Japanese names",
         hosttest::Utf16Bytes(
             IniText(ini).Set(IniText::ItemSection(1), L"ItemName", L"メモ帳").Text()),
         hosttest::Utf16Bytes(IniText(ini)
                                  .Set(IniText::ItemSection(1), L"ItemName", L"メモ帳")
                                  .Set(L"Setting", L"ButtonASettingId", L"7")
                                  .Set(L"Setting", L"ButtonBSettingId", L"3")
                                  .Text())},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_TRUE(guard_.WriteUserFile(row.before));
        CFunctionButtonParameter parameter;
        ASSERT_EQ(TRUE, parameter.Load(nullptr));
        parameter.setSettingA(7);
        parameter.setSettingB(3);
        // In memory only until the update.
        EXPECT_EQ(row.before, hosttest::ReadFileBytes(guard_.userFile()));
        EXPECT_EQ(TRUE, parameter.Update());
        EXPECT_EQ(row.after, hosttest::ReadFileBytes(guard_.userFile()));
    }
}

TEST_F(SettingsFile, UpdateWritesTwoDigitIdsAndRefusesThreeDigits)
{
    const std::string before = hosttest::AsciiBytes(IniText::Valid(12).Text());
    ASSERT_TRUE(guard_.WriteUserFile(before));
    CSetting setting;
    setting.ButtonASettingId = 99;
    setting.ButtonBSettingId = 100;
    // The first write is made, the second cannot be formatted.
    EXPECT_FALSE(setting.UpdateSetting());
    EXPECT_EQ(Replace(before, "ButtonASettingId=2\r\n", "ButtonASettingId=99\r\n"),
              hosttest::ReadFileBytes(guard_.userFile()));
    setting.ButtonASettingId = 100;
    setting.ButtonBSettingId = 1;
    // A failed first write leaves the second one unmade.
    EXPECT_FALSE(setting.UpdateSetting());
    EXPECT_EQ(Replace(before, "ButtonASettingId=2\r\n", "ButtonASettingId=99\r\n"),
              hosttest::ReadFileBytes(guard_.userFile()));
}

TEST_F(SettingsFile, UpdateBringsARemovedFileBackFromTheTemplate)
{
    const std::string source = hosttest::AsciiBytes(IniText::Valid(4).Text());
    ASSERT_TRUE(guard_.WriteTemplate(source));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    guard_.RemoveUserFolders();
    ASSERT_FALSE(hosttest::PathExists(guard_.userFolder()));
    parameter.setSettingA(4);
    parameter.setSettingB(1);
    EXPECT_EQ(TRUE, parameter.Update());
    EXPECT_EQ(Replace(Replace(source, "ButtonASettingId=2\r\n", "ButtonASettingId=4\r\n"),
                      "ButtonBSettingId=4\r\n", "ButtonBSettingId=1\r\n"),
              hosttest::ReadFileBytes(guard_.userFile()));
}

TEST_F(SettingsFile, UpdateWritesNothingWhenTheFileCannotBeResolved)
{
    const std::string source = hosttest::AsciiBytes(IniText::Valid(4).Text());
    ASSERT_TRUE(guard_.WriteTemplate(source));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    // Both the per-user file and the template are gone: a write would leave a
    // file holding only the two ids, which would then block the template
    // for good.
    guard_.RemoveUserFolders();
    ASSERT_TRUE(DeleteFileW(guard_.templateFile().c_str()));
    parameter.setSettingA(3);
    EXPECT_EQ(FALSE, parameter.Update());
    EXPECT_EQ(5, CErrorManager::GetError());
    EXPECT_FALSE(hosttest::PathExists(guard_.userFile()));
}

TEST_F(SettingsFile, UpdateFailsWhileAnotherProgramHoldsTheFile)
{
    const std::string before = hosttest::AsciiBytes(IniText::Valid(4).Text());
    ASSERT_TRUE(guard_.WriteUserFile(before));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    parameter.setSettingA(1);
    {
        const UniqueHandle holder(CreateFileW(guard_.userFile().c_str(), GENERIC_READ,
                                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.valid());
        EXPECT_EQ(FALSE, parameter.Update());
    }
    EXPECT_EQ(before, hosttest::ReadFileBytes(guard_.userFile()));
    EXPECT_EQ(TRUE, parameter.Update());
}

// True when the platform refuses to open a read-only file for writing (Wine
// running as root opens it anyway).
bool ReadOnlyIsEnforced(const std::wstring &folder)
{
    const std::wstring probe = folder + L"\\read-only probe";
    if (!hosttest::WriteFileBytes(probe, "x") ||
        !SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY))
        return false;
    const UniqueHandle file(
        CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const bool enforced = !file.valid();
    return enforced;
}

TEST_F(SettingsFile, UpdateFailsOnAReadOnlyFile)
{
    const hosttest::TempRoot root;
    if (!ReadOnlyIsEnforced(root.path()))
        GTEST_SKIP() << "this platform writes to read-only files (Wine running as root)";
    const std::string before = hosttest::AsciiBytes(IniText::Valid(4).Text());
    ASSERT_TRUE(guard_.WriteUserFile(before));
    ASSERT_TRUE(SetFileAttributesW(guard_.userFile().c_str(), FILE_ATTRIBUTE_READONLY));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    parameter.setSettingA(1);
    EXPECT_EQ(FALSE, parameter.Update());
    EXPECT_EQ(before, hosttest::ReadFileBytes(guard_.userFile()));
}

} // namespace

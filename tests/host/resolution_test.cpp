// Resolution of an item into the command its button runs: every kind, the
// registry references with their roots, missing parts and oversized or
// non-string values, and the fixed buffers.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <strsafe.h>

#include <string>
#include <vector>

#include "button_road_fixture.h"
#include "file_bytes.h"
#include "ini_text.h"
#include "actions/executer.h"
#include "parameter/function_button_parameter.h"
#include "platform/known_folder.h"
#include "scratch_folder.h"
#include "shell_link.h"
#include "temp_folder.h"
#include "test_paths.h"
#include "user_settings_guard.h"

namespace hosttest {
namespace {

constexpr wchar_t kTestKey[] = L"Software\\KivoButtonRoadTest";
const std::wstring kUserRef = std::wstring(L"HKEY_CURRENT_USER\\") + kTestKey + L",";
const std::wstring kMachineRef = std::wstring(L"HKEY_LOCAL_MACHINE\\") + kTestKey + L",";

// The discovery rows: two shortcuts of the current user, one to a program
// and one to a folder that is not a file.
bool FeedShortcuts(IWbemServices *, const wchar_t *query, const wchar_t *, std::size_t,
                   std::vector<UniqueVariant> &values)
{
    if (std::wstring(query).find(L"Win32_ComputerSystem") != std::wstring::npos) {
        values.push_back(UniqueVariant::FromString(L"WORKGROUP\\alice"));
        return true;
    }
    values.push_back(UniqueVariant::FromString(L"WORKGROUP\\alice:Kivo Host Test\\Recorder Link.lnk"));
    values.push_back(UniqueVariant::FromString(L"WORKGROUP\\alice:Kivo Host Test\\Computer Link.lnk"));
    return true;
}

struct ResolutionRow {
    const char *label;
    int kind;
    std::wstring path;
    std::wstring option;
    BOOL resolved;
    std::wstring command;  // the record's command afterwards
};

class Resolution : public ButtonRoadTest {
protected:
    void SetUp() override
    {
        ButtonRoadTest::SetUp();
        ASSERT_TRUE(WriteUserFile(IniText::Valid(2)));
        ASSERT_TRUE(links_.ok());
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        const bool linked = CreateShellLink(links_.path() + L"\\Recorder Link.lnk",
                                            kivotest::BinFile(L"CommandRecorder.exe"), L"linkarg") &&
                            CreateFolderLink(links_.path() + L"\\Computer Link.lnk", CSIDL_DRIVES);
        CoUninitialize();
        ASSERT_TRUE(linked);
        ASSERT_EQ(parameter_.Load(window_), TRUE);

        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExW(root, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            SetString(key, L"Program", L"C:\\Tools\\tool.exe");
            SetString(key, L"PenFolder", L"C:\\Pen");
            SetString(key, L"Expand", L"%SystemRoot%\\notepad.exe", REG_EXPAND_SZ);
            SetString(key, L"Fits259", std::wstring(259, L'f'));
            SetString(key, L"Long260", std::wstring(260, L'g'));
            SetString(key, L"Long300", std::wstring(300, L'h'));
            SetString(key, L"Folder250", L"C:\\" + std::wstring(247, L'p'));
            SetString(key, L"", L"C:\\Default\\default.exe");
            const DWORD number = 5;
            RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                           sizeof(number));
            // 260 characters and no terminator: fills a 260-character buffer
            // with nothing left for the end.
            const std::wstring full(260, L'n');
            RegSetValueExW(key, L"Unterminated", 0, REG_SZ,
                           reinterpret_cast<const BYTE *>(full.data()),
                           static_cast<DWORD>(full.size() * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey);
        ButtonRoadTest::TearDown();
    }

    static void SetString(HKEY key, const wchar_t *name, const std::wstring &value, DWORD type = REG_SZ)
    {
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE *>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    bool WriteUserFile(const IniText &ini) { return settings_.WriteUserFile(AsciiBytes(ini.Text())); }

    UserSettingsGuard settings_;
    const ScopedFolder links_{[] {
        std::wstring roaming;
        GetKnownFolder(FOLDERID_RoamingAppData, roaming);
        return roaming + L"\\Microsoft\\Windows\\Kivo Host Test";
    }()};
    CFunctionButtonParameter parameter_{FeedShortcuts};
};

TEST_F(Resolution, EveryKindGivesItsCommandOrFails)
{
    const std::wstring recorder = kivotest::BinFile(L"CommandRecorder.exe");
    const std::wstring folder250 = L"C:\\" + std::wstring(247, L'p');
    const ResolutionRow rows[] = {
        {"0 none", 0, L"ignored", L"opt", TRUE, L" opt"},
        {"1 program path", 1, L"C:\\A B\\a.exe", L"-o x", TRUE, L"\"C:\\A B\\a.exe\" -o x"},
        {"1 blank kept without option", 1, L"C:\\a.exe", L"", TRUE, L"\"C:\\a.exe\" "},
        {"1 quoted path kept", 1, L"\"C:\\A B\\a.exe\"", L"x", TRUE, L"\"C:\\A B\\a.exe\" x"},
        {"1 empty path", 1, L"", L"opt", TRUE, L" opt"},
        {"2 shortcut", 2, L"Recorder Link", L"opt", TRUE, L"\"" + recorder + L"\" linkarg opt"},
        {"2 name not installed", 2, L"Not Installed", L"opt", FALSE, L""},
        {"2 shortcut to a folder that is not a file", 2, L"Computer Link", L"opt", FALSE, L""},
        {"2 name in other case", 2, L"recorder link", L"", FALSE, L""},
        {"3 window switcher", 3, L"ignored", L"", TRUE, L" "},
        {"4 display switcher", 4, L"", L"x", TRUE, L" x"},
        {"5 current user", 5, kUserRef + L"Program", L"-a", TRUE, L"\"C:\\Tools\\tool.exe\" -a"},
        {"5 local machine", 5, kMachineRef + L"Program", L"", TRUE, L"\"C:\\Tools\\tool.exe\" "},
        {"5 default value", 5, kUserRef, L"", TRUE, L"\"C:\\Default\\default.exe\" "},
        {"5 expandable string kept as stored", 5, kUserRef + L"Expand", L"", TRUE,
         L"\"%SystemRoot%\\notepad.exe\" "},
        {"5 missing value reads empty", 5, kUserRef + L"Absent", L"opt", TRUE, L" opt"},
        {"5 missing key", 5, L"HKEY_CURRENT_USER\\Software\\KivoNoSuchKey,Program", L"", FALSE, L""},
        {"5 lower-case root", 5, L"hkey_current_user\\Software\\KivoButtonRoadTest,Program", L"",
         FALSE, L""},
        {"5 short root name", 5, L"HKCU\\Software\\KivoButtonRoadTest,Program", L"", FALSE, L""},
        {"5 no backslash", 5, L"HKEY_CURRENT_USER,Program", L"", FALSE, L""},
        {"5 no comma", 5, L"HKEY_CURRENT_USER\\Software\\KivoButtonRoadTest", L"", FALSE, L""},
        {"5 259 characters fit", 5, kUserRef + L"Fits259", L"", TRUE, L"\"" + std::wstring(259, L'f') + L"\" "},
        {"5 260 characters do not", 5, kUserRef + L"Long260", L"", FALSE, L""},
        {"5 300 characters do not", 5, kUserRef + L"Long300", L"", FALSE, L""},
        {"5 260 characters unterminated", 5, kUserRef + L"Unterminated", L"", FALSE, L""},
        {"5 DWORD value", 5, kUserRef + L"Number", L"", FALSE, L""},
        {"100 pen application", 100, kUserRef + L"PenFolder", L"-pen", TRUE,
         L"\"C:\\Pen\\InkrunKicker.exe\" -pen"},
        {"100 folder of 250 does not fit with the launcher", 100, kUserRef + L"Folder250", L"",
         FALSE, L""},
        {"100 missing key", 100, L"HKEY_LOCAL_MACHINE\\Software\\KivoNoSuchKey,Dir", L"", FALSE,
         L""},
        {"101 companion", 101, L"C:\\Velmo\\Velmo.exe", L"", TRUE, L"C:\\Velmo\\Velmo.exe "},
        {"200 charge action: no program", 200, L"C:\\a.exe", L"-x", TRUE, L" -x"},
        {"unknown kind", 7, L"C:\\a.exe", L"", FALSE, L""},
    };
    ASSERT_EQ(folder250.size(), 250u);
    for (const ResolutionRow &row : rows) {
        SCOPED_TRACE(row.label);
        CItem item;
        item.ItemPreEvent = 1;
        item.ItemPathInfo = row.kind;
        ASSERT_EQ(StringCchCopyW(item.ItemPath, kIniPathChars, row.path.c_str()), S_OK);
        ASSERT_EQ(StringCchCopyW(item.ItemOption, kIniPathChars, row.option.c_str()), S_OK);
        const std::vector<CItem> items{item};

        EXPECT_EQ(parameter_.setParameterToCallBack(BUTTON_B, 1, L"InkrunKicker.exe", items),
                  row.resolved);
        const _Param &stored = gCallBackParameter.ParamB;
        EXPECT_EQ(std::wstring(stored.szCommand), row.command);
        // Kind and pre-event stay filled in when the module cannot be resolved.
        EXPECT_EQ(stored.dwPathInfo, static_cast<DWORD>(row.kind));
        EXPECT_EQ(stored.dwPreEvent, 1u);
        EXPECT_EQ(std::wstring(stored.szKicker), L"InkrunKicker.exe");
    }
}

// Split at its first blank, the command of "<folder>\Kivo Test\App.exe"
// would start "<folder>\Kivo.exe" with "Test\App.exe -o x".
TEST_F(Resolution, AProgramInAFolderWithBlanksStartsThatProgramAndNoOther)
{
    kivotest::TempFolder folder;
    const std::wstring recorder = kivotest::BinFile(L"CommandRecorder.exe");
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"Kivo Test").c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(recorder.c_str(), folder.File(L"Kivo.exe").c_str(), TRUE));
    ASSERT_TRUE(CopyFileW(recorder.c_str(), folder.File(L"Kivo Test\\App.exe").c_str(), TRUE));
    CItem item;
    item.ItemPathInfo = 1;
    ASSERT_EQ(StringCchCopyW(item.ItemPath, kIniPathChars, folder.File(L"Kivo Test\\App.exe").c_str()), S_OK);
    ASSERT_EQ(StringCchCopyW(item.ItemOption, kIniPathChars, L"-o x"), S_OK);

    ASSERT_EQ(parameter_.setParameterToCallBack(BUTTON_A, 1, L"", {item}), TRUE);
    ASSERT_EQ(executer(&gCallBackParameter.ParamA), TRUE);
    EXPECT_EQ(WaitLogLines(logs_.File(L"App.log"), 1), std::vector<std::string>{"start -o x"});
    EXPECT_EQ(LogLines(logs_.File(L"Kivo.log")), std::vector<std::string>{});
}

TEST_F(Resolution, AnIdOutsideTheItemsStoresAnEmptyRecord)
{
    CItem item;
    item.ItemPreEvent = 1;
    item.ItemPathInfo = 1;
    const std::vector<CItem> items{item, item};
    for (const int id : {0, 3, -1}) {
        SCOPED_TRACE(id);
        const _Param filled = MakeParam(1, L"C:\\before.exe", 1);
        SetParameter(BUTTON_A, &filled);
        EXPECT_EQ(parameter_.setParameterToCallBack(BUTTON_A, id, L"K.exe", items), FALSE);
        const _Param &stored = gCallBackParameter.ParamA;
        EXPECT_EQ(stored.dwPathInfo, 0u);
        EXPECT_EQ(stored.dwPreEvent, 0u);
        EXPECT_EQ(std::wstring(stored.szCommand), L"");
        EXPECT_EQ(std::wstring(stored.szKicker), L"");
    }
}

TEST_F(Resolution, SetCallBackParameterReportsEachButtonThatCannotAct)
{
    struct Row {
        const wchar_t *pathA;
        const wchar_t *pathB;
        int result;
    };
    const Row rows[] = {
        {L"C:\\a.exe", L"C:\\b.exe", 0},
        {L"Not Installed", L"C:\\b.exe", 1},
        {L"C:\\a.exe", L"Not Installed", 2},
        {L"Not Installed", L"Computer Link", 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.result);
        settings_.RemoveUserFolders();
        IniText ini = IniText::Valid(2);
        ini.Set(IniText::ItemSection(1), L"ItemPathInfo", row.pathA[1] == L':' ? L"1" : L"2");
        ini.Set(IniText::ItemSection(1), L"ItemPath", row.pathA);
        ini.Set(IniText::ItemSection(2), L"ItemPathInfo", row.pathB[1] == L':' ? L"1" : L"2");
        ini.Set(IniText::ItemSection(2), L"ItemPath", row.pathB);
        ini.Set(L"Setting", L"ButtonASettingId", L"1");
        ini.Set(L"Setting", L"ButtonBSettingId", L"2");
        ini.Set(L"Setting", L"ButtonAction", L"0");
        ASSERT_TRUE(WriteUserFile(ini));
        CFunctionButtonParameter parameter(FeedShortcuts);
        ASSERT_EQ(parameter.Load(window_), TRUE);
        EXPECT_EQ(parameter.SetCallBackParameter(), row.result);
        EXPECT_EQ(gCallBackParameter.dwButtonAction, 0u);
    }
}

} // namespace
} // namespace hosttest

// Loading the settings file through the parameter object: every rule, its
// error number and the order of the checks, over crafted files in the real
// per-user folder of the prefix.
#include <gtest/gtest.h>

#include <functional>

#include "errors/error_manager.h"
#include "file_bytes.h"
#include "ini_text.h"
#include "parameter/function_button_parameter.h"
#include "test_paths.h"
#include "user_settings_guard.h"

namespace {

using hosttest::IniText;

struct LoadRow {
    const char *label;
    int itemNum;
    std::function<void(IniText &)> change;
    BOOL loaded;
    int error;
    std::size_t items;
};

void Set(IniText &ini, const wchar_t *key, const wchar_t *value)
{
    ini.Set(L"Setting", key, value);
}
void SetItem(IniText &ini, int n, const wchar_t *key, const wchar_t *value)
{
    ini.Set(IniText::ItemSection(n), key, value);
}

const LoadRow kLoadRows[] = {
    {"valid file", 4, [](IniText &) {}, TRUE, 0, 4},
    {"ItemNum absent", 4, [](IniText &i) { i.Remove(L"Setting", L"ItemNum"); }, FALSE, 5, 0},
    {"ItemNum 0", 4, [](IniText &i) { Set(i, L"ItemNum", L"0"); }, FALSE, 5, 0},
    {"ItemNum 100", 4, [](IniText &i) { Set(i, L"ItemNum", L"100"); }, FALSE, 5, 0},
    {"ItemNum not a number", 4, [](IniText &i) { Set(i, L"ItemNum", L"four"); }, FALSE, 5, 0},
    {"ButtonADefaultId 0", 4, [](IniText &i) { Set(i, L"ButtonADefaultId", L"0"); }, FALSE, 1, 0},
    {"ButtonADefaultId ItemNum+1", 4, [](IniText &i) { Set(i, L"ButtonADefaultId", L"5"); }, FALSE,
     1, 0},
    {"ButtonADefaultId absent", 4, [](IniText &i) { i.Remove(L"Setting", L"ButtonADefaultId"); },
     FALSE, 1, 0},
    {"ButtonASettingId ItemNum+1", 4, [](IniText &i) { Set(i, L"ButtonASettingId", L"5"); }, FALSE,
     3, 0},
    {"ButtonBDefaultId 0", 4, [](IniText &i) { Set(i, L"ButtonBDefaultId", L"0"); }, FALSE, 2, 0},
    {"ButtonBSettingId ItemNum+1", 4, [](IniText &i) { Set(i, L"ButtonBSettingId", L"5"); }, FALSE,
     4, 0},
    {"ButtonAction 2", 4, [](IniText &i) { Set(i, L"ButtonAction", L"2"); }, FALSE, 11, 0},
    {"ButtonAction -1", 4, [](IniText &i) { Set(i, L"ButtonAction", L"-1"); }, FALSE, 11, 0},
    {"ButtonAction 0", 4, [](IniText &i) { Set(i, L"ButtonAction", L"0"); }, TRUE, 0, 4},
    {"ButtonAction absent", 4, [](IniText &i) { i.Remove(L"Setting", L"ButtonAction"); }, TRUE, 0,
     4},
    {"InkrunKicker empty", 4, [](IniText &i) { Set(i, L"InkrunKicker", L""); }, FALSE, 10, 0},
    {"InkrunKicker absent", 4, [](IniText &i) { i.Remove(L"Setting", L"InkrunKicker"); }, FALSE, 10,
     0},
    // The order of the checks: the first broken rule wins.
    {"ItemNum and ButtonADefaultId wrong", 4,
     [](IniText &i) {
         Set(i, L"ItemNum", L"0");
         Set(i, L"ButtonADefaultId", L"0");
     },
     FALSE, 5, 0},
    {"both ids of button A wrong", 4,
     [](IniText &i) {
         Set(i, L"ButtonADefaultId", L"0");
         Set(i, L"ButtonASettingId", L"0");
     },
     FALSE, 1, 0},
    {"ButtonASettingId and ButtonBDefaultId wrong", 4,
     [](IniText &i) {
         Set(i, L"ButtonASettingId", L"9");
         Set(i, L"ButtonBDefaultId", L"9");
     },
     FALSE, 3, 0},
    {"both ids of button B wrong", 4,
     [](IniText &i) {
         Set(i, L"ButtonBDefaultId", L"0");
         Set(i, L"ButtonBSettingId", L"0");
     },
     FALSE, 2, 0},
    {"ButtonBSettingId and ButtonAction wrong", 4,
     [](IniText &i) {
         Set(i, L"ButtonBSettingId", L"0");
         Set(i, L"ButtonAction", L"2");
     },
     FALSE, 4, 0},
    {"ButtonAction and InkrunKicker wrong", 4,
     [](IniText &i) {
         Set(i, L"ButtonAction", L"2");
         Set(i, L"InkrunKicker", L"");
     },
     FALSE, 11, 0},
    {"every id equal to ItemNum", 4,
     [](IniText &i) {
         for (const wchar_t *key :
              {L"ButtonADefaultId", L"ButtonASettingId", L"ButtonBDefaultId", L"ButtonBSettingId"})
             Set(i, key, L"4");
     },
     TRUE, 0, 4},
    // Items.
    {"Item02 ItemId 3", 4, [](IniText &i) { SetItem(i, 2, L"ItemId", L"3"); }, FALSE, 7, 1},
    {"Item02 ItemId absent", 4, [](IniText &i) { i.Remove(IniText::ItemSection(2), L"ItemId"); },
     FALSE, 7, 1},
    {"Item03 missing of five", 5, [](IniText &i) { i.RemoveSection(IniText::ItemSection(3)); },
     FALSE, 7, 2},
    {"Item05 missing of five", 5, [](IniText &i) { i.RemoveSection(IniText::ItemSection(5)); },
     FALSE, 7, 4},
    {"Item01 ItemPreEvent 2", 4, [](IniText &i) { SetItem(i, 1, L"ItemPreEvent", L"2"); }, FALSE, 8,
     0},
    {"Item02 ItemPreEvent absent", 4,
     [](IniText &i) { i.Remove(IniText::ItemSection(2), L"ItemPreEvent"); }, FALSE, 8, 1},
    {"Item03 ItemPathInfo 6", 4, [](IniText &i) { SetItem(i, 3, L"ItemPathInfo", L"6"); }, FALSE, 9,
     2},
    {"Item03 ItemPathInfo 99", 4, [](IniText &i) { SetItem(i, 3, L"ItemPathInfo", L"99"); }, FALSE,
     9, 2},
    {"Item03 ItemPathInfo 102", 4, [](IniText &i) { SetItem(i, 3, L"ItemPathInfo", L"102"); },
     FALSE, 9, 2},
    {"Item03 ItemPathInfo 199", 4, [](IniText &i) { SetItem(i, 3, L"ItemPathInfo", L"199"); },
     FALSE, 9, 2},
    {"Item03 ItemPathInfo 203", 4, [](IniText &i) { SetItem(i, 3, L"ItemPathInfo", L"203"); },
     FALSE, 9, 2},
    {"Item04 ItemPathInfo absent", 4,
     [](IniText &i) { i.Remove(IniText::ItemSection(4), L"ItemPathInfo"); }, FALSE, 9, 3},
    {"ItemId and ItemPreEvent wrong", 4,
     [](IniText &i) {
         SetItem(i, 2, L"ItemId", L"9");
         SetItem(i, 2, L"ItemPreEvent", L"9");
     },
     FALSE, 7, 1},
    {"ItemPreEvent and ItemPathInfo wrong", 4,
     [](IniText &i) {
         SetItem(i, 2, L"ItemPreEvent", L"9");
         SetItem(i, 2, L"ItemPathInfo", L"9");
     },
     FALSE, 8, 1},
    {"every kind of item", 11,
     [](IniText &i) {
         const wchar_t *kinds[] = {L"0", L"1", L"2", L"3", L"4", L"5", L"100", L"101", L"200", L"201", L"202"};
         for (int n = 1; n <= 11; ++n)
             SetItem(i, n, L"ItemPathInfo", kinds[n - 1]);
         SetItem(i, 8, L"ItemPreEvent", L"1");
     },
     TRUE, 0, 11},
    {"ItemNum 99", 99, [](IniText &) {}, TRUE, 0, 99},
    {"sections beyond ItemNum", 2,
     [](IniText &i) {
         SetItem(i, 3, L"ItemId", L"3");
         SetItem(i, 4, L"ItemId", L"x");
     },
     TRUE, 0, 2},
};

class SettingsLoad : public ::testing::Test {
protected:
    void SetUp() override { SetError(KVF_ERROR_NONE); }
    void TearDown() override { SetError(KVF_ERROR_NONE); }

    // Writes the per-user file; a parameter object constructed afterwards
    // finds it.
    void WriteFile(const std::string &bytes) { ASSERT_TRUE(guard_.WriteUserFile(bytes)); }

    hosttest::UserSettingsGuard guard_;
};

TEST_F(SettingsLoad, EveryRuleSetsItsErrorInTheOrderOfTheChecks)
{
    for (const LoadRow &row : kLoadRows) {
        SCOPED_TRACE(row.label);
        IniText ini = IniText::Valid(row.itemNum);
        row.change(ini);
        SetError(KVF_ERROR_NONE);
        WriteFile(hosttest::AsciiBytes(ini.Text()));
        CFunctionButtonParameter parameter;
        EXPECT_EQ(row.loaded, parameter.Load(nullptr));
        EXPECT_EQ(row.error, CErrorManager::GetError());
        const std::vector<CItem> &items = parameter.getItems();
        ASSERT_EQ(row.items, items.size());
        for (std::size_t k = 0; k < items.size(); ++k)
            EXPECT_EQ(static_cast<int>(k + 1), items[k].ItemId);
    }
}

TEST_F(SettingsLoad, ValuesOfAValidFileAreRead)
{
    IniText ini = IniText::Valid(99);
    ini.Set(L"Setting", L"ButtonAction", L"0")
        .Set(L"Setting", L"ButtonADefaultId", L"98")
        .Set(L"Setting", L"ButtonASettingId", L"7")
        .Set(L"Setting", L"ButtonBDefaultId", L"99")
        .Set(L"Setting", L"ButtonBSettingId", L"12")
        .Set(L"Setting", L"InkrunKicker", L"Kicker.exe")
        .Set(IniText::ItemSection(99), L"ItemPathInfo", L"101")
        .Set(IniText::ItemSection(99), L"ItemPreEvent", L"1")
        .Set(IniText::ItemSection(99), L"ItemOption", L"-start now")
        .Set(IniText::ItemSection(98), L"ItemName", L"Item 99");
    WriteFile(hosttest::AsciiBytes(ini.Text()));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    EXPECT_EQ(0, CErrorManager::GetError());

    const CSetting &setting = *parameter.getSetting();
    EXPECT_EQ(99, setting.ItemNum);
    EXPECT_EQ(98, setting.ButtonADefaultId);
    EXPECT_EQ(7, setting.ButtonASettingId);
    EXPECT_EQ(99, setting.ButtonBDefaultId);
    EXPECT_EQ(12, setting.ButtonBSettingId);
    EXPECT_EQ(0, setting.ButtonAction);
    EXPECT_STREQ(L"Kicker.exe", setting.InkrunKicker);

    const std::vector<CItem> &items = parameter.getItems();
    ASSERT_EQ(99u, items.size());
    const CItem &last = items[98];
    EXPECT_EQ(99, last.ItemId);
    EXPECT_EQ(1, last.ItemPreEvent);
    EXPECT_EQ(101, last.ItemPathInfo);
    EXPECT_STREQ(L"Item 99", last.ItemName);
    EXPECT_STREQ(L"C:\\Windows\\System32\\notepad.exe", last.ItemPath);
    EXPECT_STREQ(L"-start now", last.ItemOption);
    // Two items of the same name are both listed.
    EXPECT_STREQ(L"Item 99", items[97].ItemName);
    EXPECT_STREQ(L"", items[0].ItemOption);
}

TEST_F(SettingsLoad, AbsentButtonActionActsOnPress)
{
    IniText ini = IniText::Valid(2);
    ini.Remove(L"Setting", L"ButtonAction");
    WriteFile(hosttest::AsciiBytes(ini.Text()));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    EXPECT_EQ(1, parameter.getSetting()->ButtonAction);
}

TEST_F(SettingsLoad, TextsLongerThan256CharactersAreEmptied)
{
    const std::wstring longest(256, L'n');
    const struct {
        std::wstring value;
        std::wstring expected;
    } rows[] = {
        {longest, longest},
        {std::wstring(257, L'n'), L""},
        {std::wstring(259, L'n'), L""},
        {std::wstring(300, L'n'), L""},
        {L"", L""},
        {L"x", L"x"},
    };
    for (const wchar_t *key : {L"ItemName", L"ItemPath", L"ItemOption"}) {
        for (const auto &row : rows) {
            SCOPED_TRACE(testing::Message() << "key " << key << ", length " << row.value.size());
            IniText ini = IniText::Valid(1);
            ini.Set(IniText::ItemSection(1), key, row.value);
            WriteFile(hosttest::AsciiBytes(ini.Text()));
            CFunctionButtonParameter parameter;
            ASSERT_EQ(TRUE, parameter.Load(nullptr));
            const CItem &item = parameter.getItems().at(0);
            const wchar_t *read = std::wstring(key) == L"ItemName"   ? item.ItemName
                                  : std::wstring(key) == L"ItemPath" ? item.ItemPath
                                                                     : item.ItemOption;
            EXPECT_EQ(row.expected, read);
        }
    }
}

TEST_F(SettingsLoad, LongInkrunKickerIsCutTo259Characters)
{
    IniText ini = IniText::Valid(1);
    ini.Set(L"Setting", L"InkrunKicker", std::wstring(300, L'k'));
    WriteFile(hosttest::AsciiBytes(ini.Text()));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    EXPECT_EQ(std::wstring(259, L'k'), parameter.getSetting()->InkrunKicker);
}

TEST_F(SettingsLoad, JapaneseTextsOfAUnicodeFileAreRead)
{
    IniText ini = IniText::Valid(2);
    ini.Comment(L"機能項目")
        .Set(IniText::ItemSection(1), L"ItemName", L"メモ帳")
        .Set(IniText::ItemSection(1), L"ItemPath", L"C:\\ツール\\電卓.exe")
        .Set(IniText::ItemSection(1), L"ItemOption", L"/開く")
        .Set(IniText::ItemSection(2), L"ItemName", L"ペンアプリケーション")
        .Set(L"Setting", L"InkrunKicker", L"インクラン.exe");
    WriteFile(hosttest::Utf16Bytes(ini.Text()));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    const std::vector<CItem> &items = parameter.getItems();
    ASSERT_EQ(2u, items.size());
    EXPECT_STREQ(L"メモ帳", items[0].ItemName);
    EXPECT_STREQ(L"C:\\ツール\\電卓.exe", items[0].ItemPath);
    EXPECT_STREQ(L"/開く", items[0].ItemOption);
    EXPECT_STREQ(L"ペンアプリケーション", items[1].ItemName);
    EXPECT_STREQ(L"インクラン.exe", parameter.getSetting()->InkrunKicker);
}

TEST_F(SettingsLoad, SectionNameThatCannotBeFormedGivesMinusOneWithoutError)
{
    ASSERT_TRUE(guard_.WriteUserFile(hosttest::AsciiBytes(IniText::Valid(1).Text())));
    CItem item;
    EXPECT_EQ(-1, item.LoadItems(1000000000));
    EXPECT_EQ(0, CErrorManager::GetError());
    EXPECT_EQ(1, item.LoadItems(1));
    EXPECT_EQ(0, item.LoadItems(2));
    EXPECT_EQ(7, CErrorManager::GetError());
}

TEST_F(SettingsLoad, StagedTemplateLoadsWithoutError)
{
    const auto staged = hosttest::ReadFileBytes(kivotest::DistFile(L"KivoFunctionButton.ini"));
    ASSERT_TRUE(staged.has_value());
    ASSERT_TRUE(guard_.WriteTemplate(*staged));
    CFunctionButtonParameter parameter;
    ASSERT_EQ(TRUE, parameter.Load(nullptr));
    EXPECT_EQ(0, CErrorManager::GetError());
    const CSetting &setting = *parameter.getSetting();
    const std::vector<CItem> &items = parameter.getItems();
    ASSERT_EQ(static_cast<std::size_t>(setting.ItemNum), items.size());
    std::vector<int> kinds;
    for (const CItem &item : items) {
        SCOPED_TRACE(item.ItemId);
        EXPECT_NE(L'\0', item.ItemName[0]);
        kinds.push_back(item.ItemPathInfo);
    }
    for (int kind : {0, 1, 3, 4, 100, 101, 200, 201, 202})
        EXPECT_NE(kinds.end(), std::find(kinds.begin(), kinds.end(), kind)) << kind;
}

} // namespace

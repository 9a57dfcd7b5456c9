// The error table, the pending error and the host's string tables, read from
// the built host program in both languages.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>

#include "errors/error_manager.h"
#include "errors/error_message.h"
#include "resource.h"
#include "string_resource.h"
#include "test_paths.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

struct ErrorRow {
    int id;
    int level;
    int stringId;
    const wchar_t *english;
    const wchar_t *japanese;
};

const ErrorRow kErrors[] = {
    {0, 0, 0, nullptr, nullptr},
    {1, 2, 200, L"Function button 1:Default Number Setting Error.",
     L"ファンクションボタン１：デフォルト項目番号設定に誤りがあります。"},
    {2, 2, 201, L"Function button 2:Default Number Setting Error.",
     L"ファンクションボタン２：デフォルト項目番号設定に誤りがあります。"},
    {3, 2, 202, L"Function button 1:Item Number Setting Error.",
     L"ファンクションボタン１：設定中の項目番号設定に誤りがあります。"},
    {4, 2, 203, L"Function button 2:Item Number Setting Error.",
     L"ファンクションボタン２：設定中の項目番号設定に誤りがあります。"},
    {5, 2, 204, L"Item Number Setting Error.", L"機能項目数の設定に誤りがあります。"},
    {6, 2, 205, L"Number of item is not enough.", L"項目が足りません。"},
    {7, 2, 206, L"Item Number Error.", L"項目番号設定に誤りがあります。"},
    {8, 2, 207, L"Pre-Event Setting Error.", L"前処理の設定に誤りがあります。"},
    {9, 2, 208, L"Item Path Infomation Setting Error.", L"機能情報の設定に誤りがあります。"},
    {10, 2, 209, L"Ink Run Kicker Setting Error.", L"インクラン機能が設定されていません。"},
    {11, 2, 210, L"Button Action Setting Error.", L"ボタン動作の設定に誤りがあります。"},
    {12, 1, 211, L"Function button1:Can not execute.",
     L"ファンクションボタン１は実行できませんでした。"},
    {13, 1, 212, L"Function button2:Can not execute..",
     L"ファンクションボタン２は実行できませんでした。"},
    {14, 1, 213, L"For administrative permission was required, can not execute.",
     L"要求された操作には管理者特権が必要なため実行できません。"},
    {15, 1, 214, L"Function button 1 is not working.Please check Function Button Setting.",
     L"ファンクションボタン１は機能しません。選択中の機能項目を見直してください。"},
    {16, 1, 215, L"Function button 2 is not working. Please check Function Button Setting.",
     L"ファンクションボタン２は機能しません。選択中の機能項目を見直してください。"},
    {17, 1, 216, L"Function button 1/2 are not working. Please check Function Button Setting.",
     L"ファンクションボタン１/２ともに機能しません。選択中の機能項目を見直してください。"},
    {18, 2, 217, L"Can not open Function Button Driver.",
     L"ファンクションボタンデバイスドライバーがオープンできません。"},
    {19, 2, 218, L"Already executing.", L"他のアプリケーションが起動しています。"},
    {20, 2, 219, L"Failed to start Receiving Notify Message Thread.",
     L"通知スレッドの起動に失敗しました"},
    {21, 1, 221, L"The charge option could not be changed.", L"充電設定を変更できませんでした。"},
    {22, 1, 222,
     L"The battery controller did not answer in time; another program may be using it. Try again in a "
     L"moment. The change may still take effect.",
     L"バッテリーコントローラーが時間内に応答しませんでした。他のプログラムが使用中の可能性があります。"
     L"しばらくしてからもう一度お試しください。変更は後で反映されることがあります。"},
};

struct TextRow {
    UINT id;
    const wchar_t *english;
    const wchar_t *japanese;
};

// The other texts of the host: dialog, error caption, Start menu title, tip.
const TextRow kTexts[] = {
    {110, L"Function Button Setting", L"ファンクションボタン設定"},
    {111, L"Function button 1", L"ファンクションボタン１"},
    {112, L"Function button 2", L"ファンクションボタン２"},
    {113, L"Select items", L"機能選択"},
    {114, L"Default", L"初期設定"},
    {115, L"OK", L"OK"},
    {116, L"CANCEL", L"キャンセル"},
    {299, L"Function Button Error Message", L"ファンクションボタン設定エラー"},
    {300, L"Start menu", L"スタート メニュー"},
    {400, L"Function Button Setting", L"ファンクションボタン設定"},
    {500, L"Battery charging", L"バッテリー充電"},
    {501, L"Battery charge limit: %d %%", L"バッテリー充電上限: %d %%"},
    {502, L"Charging to 100 %% once. The limit of %d %% comes back when you unplug.",
     L"1回だけ100 %%まで充電します。電源を外すと充電上限%d %%に戻ります。"},
    {503, L"The battery charge limit is %d %% again.", L"バッテリー充電上限が%d %%に戻りました。"},
    {504, L"USB charging while off: on", L"電源オフ時のUSB充電: オン"},
    {505, L"USB charging while off: off", L"電源オフ時のUSB充電: オフ"},
    {506, L"This charge option is set by your organization.", L"この充電設定は組織によって管理されています。"},
};

class HostErrors : public ::testing::Test {
protected:
    void SetUp() override { SetError(KVF_ERROR_NONE); }
    void TearDown() override { SetError(KVF_ERROR_NONE); }
};

TEST_F(HostErrors, TableHoldsEveryIdInOrderWithItsLevelAndString)
{
    ASSERT_EQ(kErrorInfoCount, std::size(kErrors));
    for (std::size_t i = 0; i < kErrorInfoCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kErrors[i].id, gErrorInfoTable[i].id);
        EXPECT_EQ(kErrors[i].level, gErrorInfoTable[i].level);
        EXPECT_EQ(static_cast<std::uint32_t>(kErrors[i].stringId), gErrorInfoTable[i].stringId);
    }
}

TEST_F(HostErrors, GetErrorInfoGivesThePendingIdsLevelAndString)
{
    for (const ErrorRow &row : kErrors) {
        SCOPED_TRACE(row.id);
        SetError(static_cast<_kvf_error_id>(row.id));
        int level = -1;
        int stringId = -1;
        EXPECT_EQ(TRUE, CErrorManager::GetErrorInfo(&level, &stringId));
        EXPECT_EQ(row.level, level);
        EXPECT_EQ(row.stringId, stringId);
        // Looking up does not clear it.
        EXPECT_EQ(row.id, CErrorManager::GetError());
    }
}

TEST_F(HostErrors, UnknownIdHasLevelZeroAndLeavesTheStringIdAlone)
{
    for (int id : {23, 99, -1}) {
        SCOPED_TRACE(id);
        SetError(static_cast<_kvf_error_id>(id));
        int level = -1;
        int stringId = 4711;
        EXPECT_EQ(FALSE, CErrorManager::GetErrorInfo(&level, &stringId));
        EXPECT_EQ(0, level);
        EXPECT_EQ(4711, stringId);
    }
}

TEST_F(HostErrors, SetButtonFunctionErorrMapsFailedButtonsToWarnings)
{
    const struct {
        int failed;
        int expected;
    } rows[] = {{0, 0}, {1, 15}, {2, 16}, {3, 17}, {4, 0}, {7, 0}, {-1, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.failed);
        // Whatever was pending before is replaced.
        SetError(KVF_ERROR_BUTTON_ACTION);
        SetButtonFunctionErorr(row.failed);
        EXPECT_EQ(row.expected, CErrorManager::GetError());
    }
}

TEST_F(HostErrors, HostProgramHoldsEveryTextInEnglishAndJapanese)
{
    const hosttest::ResourceModule host(kivotest::DistFile(L"KivoFunctionButtonApl.exe"));
    ASSERT_NE(nullptr, host.get());
    for (const ErrorRow &row : kErrors) {
        if (row.stringId == 0)
            continue;
        SCOPED_TRACE(row.stringId);
        EXPECT_EQ(std::wstring(row.english), host.String(row.stringId, kEnglish));
        EXPECT_EQ(std::wstring(row.japanese), host.String(row.stringId, kJapanese));
    }
    for (const TextRow &row : kTexts) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(std::wstring(row.english), host.String(row.id, kEnglish));
        EXPECT_EQ(std::wstring(row.japanese), host.String(row.id, kJapanese));
    }
    // Error 0 has no message in either table.
    EXPECT_EQ(std::nullopt, host.String(0, kEnglish));
    EXPECT_EQ(std::nullopt, host.String(0, kJapanese));
}

TEST_F(HostErrors, PendingErrorMessageComesInTheUserInterfaceLanguage)
{
    const hosttest::ResourceModule host(kivotest::DistFile(L"KivoFunctionButtonApl.exe"));
    ASSERT_NE(nullptr, host.get());
    // The run under a Japanese locale names the language it must get, so
    // that it cannot pass in English unnoticed.
    WCHAR expected[16] = {};
    if (GetEnvironmentVariableW(L"KIVO_EXPECT_UI_LANGUAGE", expected, 16) > 0) {
        ASSERT_EQ(std::wcstoul(expected, nullptr, 10), GetUserDefaultUILanguage());
    }
    const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    const wchar_t *caption =
        japanese ? L"ファンクションボタン設定エラー" : L"Function Button Error Message";

    const struct {
        int id;
        int level;
        UINT boxType;
    } rows[] = {{0, 0, 0},
                {11, 2, MB_OK | MB_ICONHAND},
                {17, 1, MB_OK | MB_ICONEXCLAMATION},
                {18, 2, MB_OK | MB_ICONHAND},
                {21, 1, MB_OK | MB_ICONEXCLAMATION},
                {22, 1, MB_OK | MB_ICONEXCLAMATION},
                {23, 0, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.id);
        SetError(static_cast<_kvf_error_id>(row.id));
        const PendingErrorMessage pending = LoadPendingErrorMessage(host.get());
        EXPECT_EQ(row.level, pending.level);
        EXPECT_STREQ(caption, pending.caption);
        const wchar_t *message = L"";
        if (row.id >= 1 && row.id <= 22)
            message = japanese ? kErrors[row.id].japanese : kErrors[row.id].english;
        EXPECT_STREQ(message, pending.message);
        EXPECT_EQ(row.boxType, ErrorBoxType(pending.level));
    }
}

} // namespace

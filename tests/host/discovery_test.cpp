// Application discovery: records from program-group item names, look-up,
// resolution of real shortcut files, real WMI under Wine, and the calling
// thread's COM state.
#include <gtest/gtest.h>

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "shell_folder_redirect.h"
#include "debug_output.h"
#include "discovery/search_aplication.h"
#include "file_bytes.h"
#include "platform/known_folder.h"
#include "scratch_folder.h"
#include "shell_link.h"

namespace {

std::wstring Known(REFKNOWNFOLDERID id)
{
    std::wstring path;
    EXPECT_TRUE(GetKnownFolder(id, path));
    return path;
}

TEST(ApplicationRecord, SetDataMapsItemNamesToShortcutFiles)
{
    // "Public" items go to wherever the common application-data folder is,
    // here a redirected one, never to a fixed "C:\ProgramData".
    const hosttest::TempRoot root;
    const std::wstring redirected = root.path() + L"\\Redirected ProgramData";
    const kivotest::CommonAppDataRedirect redirect(redirected);
    ASSERT_TRUE(redirect.ok());
    ASSERT_EQ(redirected, Known(FOLDERID_ProgramData)) << "the shell follows the redirection";
    const std::wstring common = redirected + L"\\Microsoft\\Windows\\";
    const std::wstring roaming = Known(FOLDERID_RoamingAppData) + L"\\Microsoft\\Windows\\";
    const struct {
        const wchar_t *user;
        const wchar_t *item;
        bool usable;
        const wchar_t *name;
        std::wstring linkPath;
    } rows[] = {
        {L"PCNAME\\alice", L"Public:Start Menu\\Programs\\Accessories\\Notepad.lnk", true,
         L"Notepad", common + L"Start Menu\\Programs\\Accessories\\Notepad.lnk"},
        {L"PCNAME\\alice", L"PCNAME\\alice:Start Menu\\Programs\\My Tool.lnk", true, L"My Tool",
         roaming + L"Start Menu\\Programs\\My Tool.lnk"},
        {L"alice", L"PCNAME\\alice:Start Menu\\Programs\\My Tool.lnk", true, L"My Tool",
         roaming + L"Start Menu\\Programs\\My Tool.lnk"},
        // Another user's item still maps into the current user's folder.
        {L"PCNAME\\alice", L"OTHERPC\\bob:Start Menu\\Programs\\Bob.lnk", true, L"Bob",
         roaming + L"Start Menu\\Programs\\Bob.lnk"},
        {L"", L"Default:Start Menu\\Programs\\Tool.lnk", true, L"Tool",
         roaming + L"Start Menu\\Programs\\Tool.lnk"},
        // The owner comparison is case-sensitive.
        {L"alice", L"public:Start Menu\\Programs\\Tool.lnk", true, L"Tool",
         roaming + L"Start Menu\\Programs\\Tool.lnk"},
        // Everything after the first ":" is the path.
        {L"alice", L"Public:Start Menu\\Programs\\a:b.lnk", true, L"a:b",
         common + L"Start Menu\\Programs\\a:b.lnk"},
        {L"alice", L"Public:Start Menu\\Programs\\Notepad.LNK", false, L"", L""},
        {L"alice", L"Public:Start Menu\\Programs\\Notepad.Lnk", false, L"", L""},
        {L"alice", L"Public:Start Menu\\Programs\\Notepad.url", false, L"", L""},
        {L"alice", L"Public:Notepad.lnk", false, L"", L""},
        {L"alice", L"Start Menu\\Programs\\Notepad.lnk", false, L"Notepad", L""},
        {L"alice", L"", false, L"", L""},
        {L"alice", L"lnk", false, L"", L""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.item);
        CApplicationRecord record;
        EXPECT_EQ(row.usable, record.setData(row.user, row.item));
        EXPECT_EQ(std::wstring(row.name), record.m_strName);
        EXPECT_EQ(row.linkPath, record.m_strLinkPath);
    }
}

TEST(ApplicationRecord, UserItemsFollowARedirectedRoamingFolder)
{
    const hosttest::TempRoot root;
    const std::wstring roaming = root.path() + L"\\Redirected Roaming";
    const kivotest::AppDataRedirect redirect(roaming);
    ASSERT_TRUE(redirect.ok());
    CApplicationRecord record;
    ASSERT_TRUE(record.setData(L"PCNAME\\alice", L"PCNAME\\alice:Start Menu\\Programs\\Tool.lnk"));
    EXPECT_EQ(roaming + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Tool.lnk",
              record.m_strLinkPath);
}

// Rows fed in place of WMI's. Everything after the query is the product's.
struct FedQuery {
    std::wstring query;
    std::wstring property;
    std::size_t maxRows;
};
std::vector<FedQuery> gQueries;
bool gUserQuerySucceeds = true;
std::vector<std::wstring> gUserRows;
std::vector<std::wstring> gItemRows;

bool FeedRows(IWbemServices *, const wchar_t *query, const wchar_t *property, std::size_t maxRows,
              std::vector<UniqueVariant> &values)
{
    gQueries.push_back({query, property, maxRows});
    const bool users = std::wstring(query).find(L"Win32_ComputerSystem") != std::wstring::npos;
    if (users && !gUserQuerySucceeds)
        return false;
    for (const std::wstring &row : users ? gUserRows : gItemRows) {
        if (values.size() >= maxRows)
            break;
        // An empty text stands for a row whose property has no value.
        values.push_back(row.empty() ? UniqueVariant() : UniqueVariant::FromString(row.c_str()));
    }
    return true;
}

class Discovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        gQueries.clear();
        gUserQuerySucceeds = true;
        gUserRows = {L"WORKGROUP\\alice", L"WORKGROUP\\second"};
        gItemRows.clear();
    }

    // Shortcut files in the real Start-menu folders of the prefix, and the
    // programs they point at (with blanks in their paths).
    void MakeShortcuts()
    {
        ASSERT_TRUE(userPrograms_.ok());
        ASSERT_TRUE(publicPrograms_.ok());
        ASSERT_TRUE(hosttest::WriteFileBytes(targetA_, "MZ"));
        ASSERT_TRUE(hosttest::WriteFileBytes(targetB_, "MZ"));
        // The product code sets COM up for itself; this thread only needs it
        // for making the shortcuts.
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        struct Uninitialise {
            ~Uninitialise() { CoUninitialize(); }
        } uninitialise;
        ASSERT_TRUE(
            hosttest::CreateShellLink(userPrograms_.path() + L"\\Plain Target.lnk", targetA_, L""));
        ASSERT_TRUE(hosttest::CreateShellLink(userPrograms_.path() + L"\\With Arguments.lnk",
                                              targetA_, L"-x \"a b\" /y"));
        ASSERT_TRUE(
            hosttest::CreateShellLink(userPrograms_.path() + L"\\Tool.lnk", targetA_, L"user"));
        ASSERT_TRUE(
            hosttest::CreateShellLink(publicPrograms_.path() + L"\\Tool.lnk", targetB_, L"public"));
    }

    const hosttest::TempRoot root_;
    const std::wstring targetA_ = root_.path() + L"\\Target App.exe";
    const std::wstring targetB_ = root_.path() + L"\\Other Folder Target.exe";
    // Below the two Microsoft\Windows folders, but not in their Start menus:
    // a shortcut saved there makes Wine's menu builder write desktop entries
    // into the home folder of the machine's user.
    const hosttest::ScopedFolder userPrograms_{Known(FOLDERID_RoamingAppData) +
                                               L"\\Microsoft\\Windows\\Kivo Host Test"};
    const hosttest::ScopedFolder publicPrograms_{Known(FOLDERID_ProgramData) +
                                                 L"\\Microsoft\\Windows\\Kivo Host Test"};
    static constexpr wchar_t kUserItem[] = L"WORKGROUP\\alice:Kivo Host Test\\";
    static constexpr wchar_t kPublicItem[] = L"Public:Kivo Host Test\\";
};

TEST_F(Discovery, FedRowsBecomeRecordsInEnumerationOrder)
{
    gItemRows = {std::wstring(kPublicItem) + L"Tool.lnk",
                 std::wstring(kUserItem) + L"Read Me.txt",
                 L"",
                 std::wstring(kUserItem) + L"Tool.lnk",
                 std::wstring(kUserItem) + L"Upper.LNK",
                 std::wstring(kUserItem) + L"Plain Target.lnk"};
    CSearchAplication search(FeedRows);
    search.Initialize(nullptr);

    ASSERT_EQ(2u, gQueries.size());
    EXPECT_EQ(L"SELECT * FROM Win32_ComputerSystem ", gQueries[0].query);
    EXPECT_EQ(L"UserName", gQueries[0].property);
    EXPECT_EQ(1u, gQueries[0].maxRows);
    EXPECT_EQ(L"SELECT * FROM Win32_LogicalProgramGroupItem", gQueries[1].query);
    EXPECT_EQ(L"Name", gQueries[1].property);

    const std::wstring common =
        Known(FOLDERID_ProgramData) + L"\\Microsoft\\Windows\\Kivo Host Test\\";
    const std::wstring roaming =
        Known(FOLDERID_RoamingAppData) + L"\\Microsoft\\Windows\\Kivo Host Test\\";
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Tool", common + L"Tool.lnk"},
        {L"Tool", roaming + L"Tool.lnk"},
        {L"Plain Target", roaming + L"Plain Target.lnk"}};
    const std::list<CApplicationRecord> &list = search.getApplicationList();
    ASSERT_EQ(expected.size(), list.size());
    auto record = list.begin();
    for (const auto &[name, linkPath] : expected) {
        EXPECT_EQ(name, record->m_strName);
        EXPECT_EQ(linkPath, record->m_strLinkPath);
        ++record;
    }
}

TEST_F(Discovery, DebuggerOutputNamesTheUserAndEveryItem)
{
    gItemRows = {std::wstring(kPublicItem) + L"Tool.lnk", L"",
                 std::wstring(kUserItem) + L"Read Me.txt"};
    std::vector<std::wstring> lines;
    {
        const hosttest::DebugOutputCapture capture;
        CSearchAplication search(FeedRows);
        search.Initialize(nullptr);
        lines = capture.lines();
    }
    const std::vector<std::wstring> expected = {L"WORKGROUP\\alice\n",
                                                std::wstring(kPublicItem) + L"Tool.lnk\n", L"\n",
                                                std::wstring(kUserItem) + L"Read Me.txt\n"};
    EXPECT_EQ(expected, lines);
}

TEST_F(Discovery, FailedUserQueryEndsDiscoveryWithAnEmptyList)
{
    gUserQuerySucceeds = false;
    gItemRows = {std::wstring(kPublicItem) + L"Tool.lnk"};
    CSearchAplication search(FeedRows);
    search.Initialize(nullptr);
    EXPECT_EQ(1u, gQueries.size());
    EXPECT_TRUE(search.getApplicationList().empty());

    gUserQuerySucceeds = true;
    gUserRows.clear();
    gQueries.clear();
    search.Initialize(nullptr);
    EXPECT_EQ(1u, gQueries.size());
    EXPECT_TRUE(search.getApplicationList().empty());
}

TEST_F(Discovery, ShortcutsResolveToQuotedTargetBlankArguments)
{
    MakeShortcuts();
    gItemRows = {std::wstring(kUserItem) + L"Plain Target.lnk",
                 std::wstring(kUserItem) + L"With Arguments.lnk",
                 std::wstring(kPublicItem) + L"Tool.lnk", std::wstring(kUserItem) + L"Tool.lnk",
                 std::wstring(kUserItem) + L"Missing.lnk"};
    CSearchAplication search(FeedRows);
    search.Initialize(nullptr);

    const struct {
        const wchar_t *name;
        bool found;
        std::wstring command;
    } rows[] = {
        // No arguments: the blank stays, so the command ends in one.
        {L"Plain Target", true, L"\"" + targetA_ + L"\" "},
        {L"With Arguments", true, L"\"" + targetA_ + L"\" -x \"a b\" /y"},
        // Duplicate names: the first enumerated wins.
        {L"Tool", true, L"\"" + targetB_ + L"\" public"},
        // Look-up is case-sensitive.
        {L"tool", false, L"untouched"},
        {L"Nothing Like It", false, L"untouched"},
        // Listed, but the shortcut file is not there.
        {L"Missing", false, L"untouched"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.name);
        WCHAR command[260] = L"untouched";
        EXPECT_EQ(row.found, search.GetExecuteCommand(row.name, command));
        EXPECT_EQ(row.command, command);
    }

    // No name is a name that is not listed: the path is left as it was.
    std::wstring linkPath = L"stale";
    EXPECT_FALSE(search.searchLinkFile(nullptr, linkPath));
    EXPECT_EQ(L"stale", linkPath);
}

TEST_F(Discovery, EmptyListLeavesTheCommandUntouched)
{
    CSearchAplication search(FeedRows);
    search.Initialize(nullptr);
    ASSERT_TRUE(search.getApplicationList().empty());
    WCHAR command[260] = L"untouched";
    EXPECT_FALSE(search.GetExecuteCommand(L"Notepad", command));
    EXPECT_STREQ(L"untouched", command);
    std::wstring linkPath = L"stale";
    EXPECT_FALSE(search.searchLinkFile(L"Notepad", linkPath));
    EXPECT_EQ(L"", linkPath);
    linkPath = L"stale";
    EXPECT_FALSE(search.searchLinkFile(nullptr, linkPath));
    EXPECT_EQ(L"", linkPath);
}

TEST_F(Discovery, WineWmiAnswersWithoutProgramGroupRows)
{
    CSearchAplication search;
    EXPECT_TRUE(search.makeAplicationList());
    EXPECT_TRUE(search.getApplicationList().empty());
    search.Initialize(nullptr);
    EXPECT_TRUE(search.getApplicationList().empty());
    WCHAR command[260] = L"untouched";
    EXPECT_FALSE(search.GetExecuteCommand(L"Notepad", command));
    EXPECT_STREQ(L"untouched", command);
}

// The COM state of a thread: initialised or not, which apartment, and
// whether it is only the process's implicit multithreaded apartment.
struct ApartmentState {
    HRESULT result = E_FAIL;
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;

    bool operator==(const ApartmentState &) const = default;
};

std::ostream &operator<<(std::ostream &out, const ApartmentState &state)
{
    return out << "{result 0x" << std::hex << static_cast<unsigned long>(state.result) << std::dec
               << ", type " << state.type << ", qualifier " << state.qualifier << "}";
}

ApartmentState CurrentApartment()
{
    ApartmentState state;
    state.result = CoGetApartmentType(&state.type, &state.qualifier);
    return state;
}

TEST_F(Discovery, CallersComStateSurvivesDiscoveryAndResolution)
{
    MakeShortcuts();
    gItemRows = {std::wstring(kUserItem) + L"Plain Target.lnk"};
    const struct {
        const char *label;
        bool initialise;
        DWORD model;
        std::vector<APTTYPE> types;
    } threads[] = {
        // The first single-threaded apartment of a process is its main one.
        {"single-threaded apartment",
         true,
         COINIT_APARTMENTTHREADED,
         {APTTYPE_STA, APTTYPE_MAINSTA}},
        {"multithreaded apartment", true, COINIT_MULTITHREADED, {APTTYPE_MTA}},
        {"no COM", false, 0, {}},
    };
    for (const auto &thread : threads) {
        for (const bool resolve : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << thread.label << (resolve ? ", resolution" : ", discovery"));
            ApartmentState untouched, before, after, released;
            bool resolved = false;
            // What a thread that never initialised COM sees right now.
            std::thread([&] { untouched = CurrentApartment(); }).join();
            std::thread([&] {
                if (thread.initialise)
                    CoInitializeEx(nullptr, thread.model);
                before = CurrentApartment();
                CSearchAplication search(FeedRows);
                search.Initialize(nullptr);
                if (resolve) {
                    WCHAR command[260];
                    resolved = search.GetExecuteCommand(L"Plain Target", command);
                }
                after = CurrentApartment();
                if (thread.initialise)
                    CoUninitialize();
                released = CurrentApartment();
            }).join();
            if (thread.initialise) {
                EXPECT_EQ(S_OK, before.result);
                EXPECT_NE(thread.types.end(),
                          std::find(thread.types.begin(), thread.types.end(), before.type))
                    << before;
                EXPECT_EQ(APTTYPEQUALIFIER_NONE, before.qualifier);
            }
            EXPECT_EQ(before, after);
            EXPECT_EQ(resolve, resolved);
            // One CoUninitialize of the thread's own ends its COM use: nothing
            // of discovery's own initialisation is left behind.
            EXPECT_EQ(untouched, released);
        }
    }
}

} // namespace

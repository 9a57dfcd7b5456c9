// The family check against Wine's real WMI, through the exports loaded by
// ordinal: Wine has no MS_SystemInformation rows and names its product after
// the firmware tables (or "Wine"), so neither selector finds the family.
// Every call runs on a thread of its own whose COM state the test chooses.
#include <windows.h>

#include <objbase.h>
#include <strsafe.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "install_prep_library.h"
#include "mark_registry.h"
#include "smbios_product.h"
#include "wmi_query.h"

namespace {

using namespace installpreptest;

enum class Apartment { None, MultiThreaded };

// Runs the call on a new thread that first joins the apartment; COM is left
// as the call left it, then balanced.
template <typename Call> void OnThread(Apartment apartment, Call call)
{
    std::thread thread([&] {
        HRESULT joined = S_OK;
        if (apartment == Apartment::MultiThreaded)
            joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(joined, S_OK);
        call();
        if (apartment != Apartment::None)
            CoUninitialize();
    });
    thread.join();
}

// The apartment type of the calling thread, or the error when it has none.
HRESULT CurrentApartment(APTTYPE &type)
{
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier);
}

class WmiQueryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library_.loaded()); }

    MarkKeyGuard guard_;
    InstallPrepLibrary library_;
};

TEST_F(WmiQueryTest, ProductNameComesFromWmi)
{
    OnThread(Apartment::None, [&] {
        char buffer[2048] = "earlier";
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, sizeof(buffer)), 1);
        EXPECT_EQ(std::string(buffer), ExpectedProductName());
    });
}

TEST_F(WmiQueryTest, NoInstanceLeavesTheBufferAsItWas)
{
    OnThread(Apartment::None, [&] {
        char buffer[64] = "earlier";
        EXPECT_EQ(library_.ZRPGetModelKeyword(100, buffer, sizeof(buffer)), 1);
        EXPECT_STREQ(buffer, "earlier");
    });
}

TEST_F(WmiQueryTest, NeitherSelectorFindsTheFamilyUnderWine)
{
    ASSERT_NE(ExpectedProductName(), "MX-Q42/V42");
    OnThread(Apartment::None, [&] {
        EXPECT_EQ(library_.ZRPCheckFamily(100), 0);
        EXPECT_EQ(library_.ZRPCheckFamily(200), 0);
    });
}

TEST_F(WmiQueryTest, AnUnknownSelectorLeavesTheBufferUntouched)
{
    OnThread(Apartment::None, [&] {
        char buffer[16] = "earlier";
        EXPECT_EQ(library_.ZRPGetModelKeyword(300, buffer, sizeof(buffer)), 0);
        EXPECT_STREQ(buffer, "earlier");
        EXPECT_EQ(library_.ZRPCheckFamily(300), 0);
    });
}

TEST_F(WmiQueryTest, AProductNameTooLongForTheBufferEmptiesIt)
{
    const std::string name = ExpectedProductName();
    OnThread(Apartment::None, [&] {
        char buffer[2048];
        const int fits = static_cast<int>(name.size()) + 1;
        ASSERT_EQ(StringCchCopyA(buffer, sizeof(buffer), "earlier"), S_OK);
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, fits), 1);
        EXPECT_EQ(std::string(buffer), name);

        ASSERT_EQ(StringCchCopyA(buffer, sizeof(buffer), "earlier"), S_OK);
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, fits - 1), 1);
        EXPECT_STREQ(buffer, "");
        EXPECT_STREQ(buffer + 1, "arlier") << "nothing written past the terminator";

        ASSERT_EQ(StringCchCopyA(buffer, sizeof(buffer), "earlier"), S_OK);
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, 0), 1);
        EXPECT_STREQ(buffer, "earlier");
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, -1), 1);
        EXPECT_STREQ(buffer, "earlier");
    });
}

TEST_F(WmiQueryTest, AThreadOfTheMultithreadedApartmentGetsZero)
{
    OnThread(Apartment::MultiThreaded, [&] {
        char buffer[64] = "earlier";
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, sizeof(buffer)), 0);
        EXPECT_STREQ(buffer, "earlier");
        EXPECT_EQ(library_.ZRPGetModelKeyword(100, buffer, sizeof(buffer)), 0);
        EXPECT_EQ(library_.ZRPCheckFamily(200), 0);
        APTTYPE type{};
        ASSERT_EQ(CurrentApartment(type), S_OK);
        EXPECT_EQ(type, APTTYPE_MTA) << "the caller's apartment is left alone";

        // The install mark needs no COM: it still answers first.
        ASSERT_EQ(library_.ZRPSetRegMark(), 1);
        EXPECT_EQ(library_.ZRPCheckFamily(200), 1);
        EXPECT_FALSE(KeyExists(kMarkKey));
    });
}

TEST_F(WmiQueryTest, AnApartmentThreadedCallerKeepsItsInitialisation)
{
    // The thread's COM state is managed here, not by OnThread: the test
    // counts the initialisations itself.
    OnThread(Apartment::None, [&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        // Whatever an assertion cuts short, the thread ends without COM.
        struct Balance {
            ~Balance()
            {
                APTTYPE left{};
                for (int i = 0; i < 16 && CurrentApartment(left) == S_OK; ++i)
                    CoUninitialize();
            }
        } balance;
        char buffer[2048] = "earlier";
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, sizeof(buffer)), 1);
        EXPECT_EQ(std::string(buffer), ExpectedProductName());
        EXPECT_EQ(library_.ZRPCheckFamily(100), 0);
        APTTYPE type{};
        ASSERT_EQ(CurrentApartment(type), S_OK);
        EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA) << type;

        // Each of the two queries met the caller's apartment (S_FALSE) and
        // left that count standing: ending the caller's own initialisation
        // leaves the thread in its apartment. A library that ended what it
        // found would have taken the apartment away here.
        CoUninitialize();
        type = APTTYPE_CURRENT;
        EXPECT_EQ(CurrentApartment(type), S_OK) << "the library uninitialised the caller's COM";
        EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA) << type;

        // Balance what the queries left, one count each, so the thread ends
        // without COM.
        int standing = 0;
        while (standing < 16 && CurrentApartment(type) == S_OK) {
            CoUninitialize();
            ++standing;
        }
        EXPECT_EQ(standing, 2);
        EXPECT_EQ(CurrentApartment(type), CO_E_NOTINITIALIZED);
    });
}

TEST_F(WmiQueryTest, AThreadWithoutComIsLeftWithout)
{
    OnThread(Apartment::None, [&] {
        char buffer[2048] = "";
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, sizeof(buffer)), 1);
        EXPECT_EQ(library_.ZRPCheckFamily(100), 0);
        APTTYPE type{};
        EXPECT_EQ(CurrentApartment(type), CO_E_NOTINITIALIZED);
        // A second call takes the same path. Under Wine CoInitializeSecurity
        // returns S_OK every time, also when process security is already
        // set, so neither the acceptance of RPC_E_TOO_LATE nor the failure
        // path of CoInitializeSecurity can be produced here.
        EXPECT_EQ(library_.ZRPGetModelKeyword(200, buffer, sizeof(buffer)), 1);
    });
}

// QueryWmiProperty itself, with queries the exports never make.
class QueryWmiPropertyTest : public ::testing::Test {
protected:
    int query(const wchar_t *nameSpace, const wchar_t *text, const wchar_t *property, char *buffer,
              int size)
    {
        int result = -1;
        OnThread(Apartment::None, [&] {
            BSTR ns = SysAllocString(nameSpace);
            BSTR q = SysAllocString(text);
            result = zrinstallprep::QueryWmiProperty(buffer, size, ns, q, property);
            SysFreeString(q);
            SysFreeString(ns);
        });
        return result;
    }
};

TEST_F(QueryWmiPropertyTest, AMissingOrNonStringPropertyEmptiesTheBuffer)
{
    char buffer[64] = "earlier";
    EXPECT_EQ(query(L"root\\CIMV2", L"SELECT * FROM Win32_ComputerSystemProduct", L"NoSuchProperty",
                    buffer, sizeof(buffer)),
              1);
    EXPECT_STREQ(buffer, "");

    ASSERT_EQ(StringCchCopyA(buffer, sizeof(buffer), "earlier"), S_OK);
    EXPECT_EQ(query(L"root\\CIMV2", L"SELECT * FROM Win32_OperatingSystem", L"ProductType", buffer,
                    sizeof(buffer)),
              1);
    EXPECT_STREQ(buffer, "");
}

TEST_F(QueryWmiPropertyTest, AnUnknownNamespaceIsAFailure)
{
    char buffer[64] = "earlier";
    EXPECT_EQ(query(L"root\\NoSuchNamespace", L"SELECT * FROM Win32_ComputerSystemProduct", L"Name",
                    buffer, sizeof(buffer)),
              0);
    EXPECT_STREQ(buffer, "earlier");
}

TEST_F(QueryWmiPropertyTest, AQueryThatDoesNotParseIsAFailure)
{
    char buffer[64] = "earlier";
    EXPECT_EQ(query(L"root\\CIMV2", L"SELECT FROM", L"Name", buffer, sizeof(buffer)), 0);
    EXPECT_STREQ(buffer, "earlier");
}

} // namespace

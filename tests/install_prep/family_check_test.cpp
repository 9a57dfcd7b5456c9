// The family check's comparisons and queries, with the WMI query
// replaced through the library's seam: Wine has no rows for
// MS_SystemInformation and names its product "Wine", so the values of the
// family are handed in here. The conversion of a WMI value into the
// caller's narrow buffer runs for real.
#include <windows.h>

#include <strsafe.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "family_check.h"
#include "mark_registry.h"
#include "wmi_query.h"

namespace {

using namespace zrinstallprep;

// What the fake query was asked, and the instances it answers with.
struct FakeWmi {
    int calls = 0;
    std::wstring nameSpace;
    std::wstring query;
    std::wstring property;
    int bufferSize = 0;
    std::string bufferOnEntry;
    std::vector<std::wstring> instances;
    int result = 1;
};
FakeWmi *g_fake = nullptr;

// Behaves as QueryWmiProperty on a machine with the given instances: each
// one overwrites the buffer through the real conversion.
int FakeQuery(char *buffer, int bufferSize, BSTR nameSpace, BSTR query, const wchar_t *property)
{
    FakeWmi &fake = *g_fake;
    ++fake.calls;
    fake.nameSpace = nameSpace;
    fake.query = query;
    fake.property = property;
    fake.bufferSize = bufferSize;
    fake.bufferOnEntry = bufferSize > 0 ? std::string(buffer, strnlen(buffer, bufferSize)) : "";
    if (fake.result == 0)
        return 0;
    for (const std::wstring &instance : fake.instances) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocStringLen(instance.data(), static_cast<UINT>(instance.size()));
        StoreNarrowValue(value, buffer, bufferSize);
        VariantClear(&value);
    }
    return 1;
}

class FamilyCheckTest : public ::testing::Test {
protected:
    void SetUp() override { g_fake = &fake_; }
    void TearDown() override { g_fake = nullptr; }

    int checkFamily(int selector, std::vector<std::wstring> instances)
    {
        fake_ = FakeWmi{};
        fake_.instances = std::move(instances);
        return CheckFamily(selector, FakeQuery);
    }

    installpreptest::MarkKeyGuard guard_;
    FakeWmi fake_;
};

TEST_F(FamilyCheckTest, ValuesAreComparedInFullAndByCase)
{
    const struct {
        int selector;
        const wchar_t *value;
        int expected;
    } cases[] = {
        // clang-format off
        {100, L"quillbook", 1},
        {100, L"QUENOR", 1},
        {100, L"Quillbook", 0},
        {100, L"QUILLBOOK", 0},
        {100, L"quenor", 0},
        {100, L"Quenor", 0},
        {100, L"quillbook ", 0},
        {100, L"QUENOR ", 0},
        {100, L" quillbook", 0},
        {100, L"quillbook2", 0},
        {100, L"QUENORX", 0},
        {100, L"quill", 0},
        {100, L"QUENO", 0},
        {100, L"", 0},
        {100, L"MX-Q42/V42", 0},
        {200, L"MX-Q42/V42", 1},
        {200, L"MX-Q42/V42 ", 0},
        {200, L"mx-q42/v42", 0},
        {200, L"MX-Q42", 0},
        {200, L"MX-Q42/V42X", 0},
        {200, L"MX-Q42/V4", 0},
        {200, L"", 0},
        {200, L"quillbook", 0},
        {200, L"QUENOR", 0},
        {200, L"Wine", 0},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "selector " << c.selector << ", value \""
                                        << testing::PrintToString(std::wstring(c.value)) << "\"");
        EXPECT_EQ(checkFamily(c.selector, {c.value}), c.expected);
        EXPECT_EQ(fake_.calls, 1);
    }
}

TEST_F(FamilyCheckTest, EachSelectorRunsItsOwnQueryIntoAnEmpty2048ByteBuffer)
{
    checkFamily(100, {L"quillbook"});
    EXPECT_EQ(fake_.nameSpace, L"root\\WMI");
    EXPECT_EQ(fake_.query, L"SELECT * FROM MS_SystemInformation");
    EXPECT_EQ(fake_.property, L"SystemFamily");
    EXPECT_EQ(fake_.bufferSize, 2048);
    EXPECT_EQ(fake_.bufferOnEntry, "");

    checkFamily(200, {L"MX-Q42/V42"});
    EXPECT_EQ(fake_.nameSpace, L"root\\CIMV2");
    EXPECT_EQ(fake_.query, L"SELECT * FROM Win32_ComputerSystemProduct");
    EXPECT_EQ(fake_.property, L"Name");
    EXPECT_EQ(fake_.bufferSize, 2048);
    EXPECT_EQ(fake_.bufferOnEntry, "");
}

TEST_F(FamilyCheckTest, UnknownSelectorsMakeNoQuery)
{
    for (const int selector : {0, 1, 99, 101, 199, 201, 300, -100}) {
        SCOPED_TRACE(testing::Message() << "selector " << selector);
        EXPECT_EQ(checkFamily(selector, {L"quillbook"}), 0);
        EXPECT_EQ(fake_.calls, 0);
    }
}

TEST_F(FamilyCheckTest, TheLastInstanceDecides)
{
    EXPECT_EQ(checkFamily(100, {L"quillbook", L"other"}), 0);
    EXPECT_EQ(checkFamily(100, {L"other", L"QUENOR"}), 1);
    EXPECT_EQ(checkFamily(100, {L"QUENOR", L"quillbook"}), 1);
    EXPECT_EQ(checkFamily(200, {L"MX-Q42/V42", L"Wine"}), 0);
    EXPECT_EQ(checkFamily(200, {L"Wine", L"MX-Q42/V42"}), 1);
}

TEST_F(FamilyCheckTest, NoInstanceOrAFailedQueryMatchesNothing)
{
    EXPECT_EQ(checkFamily(100, {}), 0);
    EXPECT_EQ(fake_.calls, 1);
    EXPECT_EQ(checkFamily(200, {}), 0);

    fake_ = FakeWmi{};
    fake_.result = 0;
    EXPECT_EQ(CheckFamily(100, FakeQuery), 0);
    EXPECT_EQ(CheckFamily(200, FakeQuery), 0);
}

TEST_F(FamilyCheckTest, AValidMarkAnswersWithoutAQuery)
{
    ASSERT_TRUE(
        installpreptest::WriteValue(installpreptest::kMarkKey, installpreptest::kMarkValue, REG_SZ,
                                    installpreptest::TextBytes(installpreptest::kMarkText)));
    EXPECT_EQ(checkFamily(100, {L"not of the family"}), 1);
    EXPECT_EQ(fake_.calls, 0);
    EXPECT_FALSE(installpreptest::KeyExists(installpreptest::kMarkKey));
    EXPECT_EQ(checkFamily(100, {L"not of the family"}), 0);
    EXPECT_EQ(fake_.calls, 1);
}

TEST_F(FamilyCheckTest, ModelKeywordHandsOutTheValueAndTheQueryResult)
{
    for (const int selector : {100, 200}) {
        SCOPED_TRACE(testing::Message() << "selector " << selector);
        fake_ = FakeWmi{};
        fake_.instances = {L"QUENOR"};
        char buffer[32] = "earlier";
        EXPECT_EQ(GetModelKeyword(selector, buffer, sizeof(buffer), FakeQuery), 1);
        EXPECT_STREQ(buffer, "QUENOR");
        EXPECT_EQ(fake_.bufferSize, 32);
        EXPECT_EQ(fake_.bufferOnEntry, "earlier") << "the buffer is not cleared first";
        EXPECT_EQ(fake_.property, selector == 100 ? L"SystemFamily" : L"Name");

        // No instance: the result is still 1 and the buffer keeps what it had.
        fake_ = FakeWmi{};
        ASSERT_EQ(StringCchCopyA(buffer, sizeof(buffer), "earlier"), S_OK);
        EXPECT_EQ(GetModelKeyword(selector, buffer, sizeof(buffer), FakeQuery), 1);
        EXPECT_STREQ(buffer, "earlier");

        // A failed query is passed on.
        fake_ = FakeWmi{};
        fake_.result = 0;
        EXPECT_EQ(GetModelKeyword(selector, buffer, sizeof(buffer), FakeQuery), 0);
        EXPECT_STREQ(buffer, "earlier");
    }
}

TEST_F(FamilyCheckTest, ModelKeywordOfAnUnknownSelectorTouchesNothing)
{
    fake_ = FakeWmi{};
    fake_.instances = {L"QUENOR"};
    char buffer[32] = "earlier";
    EXPECT_EQ(GetModelKeyword(300, buffer, sizeof(buffer), FakeQuery), 0);
    EXPECT_EQ(fake_.calls, 0);
    EXPECT_STREQ(buffer, "earlier");
}

// ---- one WMI value into the caller's buffer ------------------------------

// A buffer with guard bytes after the size handed over: nothing may be
// written there.
struct GuardedBuffer {
    explicit GuardedBuffer(int size) : bytes(size > 0 ? size + 8 : 8, '#') {}
    char *data() { return bytes.data(); }
    std::string text() const
    {
        return std::string(bytes.data(), strnlen(bytes.data(), bytes.size()));
    }
    bool guardsIntact(int size) const
    {
        for (size_t i = size > 0 ? size : 0; i < bytes.size(); ++i) {
            if (bytes[i] != '#')
                return false;
        }
        return true;
    }
    std::vector<char> bytes;
};

VARIANT StringVariant(const wchar_t *text)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    return value;
}

TEST(StoreNarrowValueTest, AValueThatFitsIsWrittenWithItsTerminator)
{
    VARIANT value = StringVariant(L"MX-Q42/V42");
    GuardedBuffer buffer(11);
    StoreNarrowValue(value, buffer.data(), 11);
    EXPECT_EQ(buffer.text(), "MX-Q42/V42");
    EXPECT_TRUE(buffer.guardsIntact(11));
    VariantClear(&value);
}

TEST(StoreNarrowValueTest, AValueThatDoesNotFitEmptiesTheBufferAndIsNeverCut)
{
    VARIANT value = StringVariant(L"MX-Q42/V42");
    for (const int size : {10, 7, 1}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        GuardedBuffer buffer(size);
        StoreNarrowValue(value, buffer.data(), size);
        EXPECT_EQ(buffer.bytes[0], '\0');
        EXPECT_TRUE(buffer.guardsIntact(size));
    }
    // "quillbook" cut to fit would still read "quillbook" here: never cut.
    VARIANT longer = StringVariant(L"quillbook-pro");
    GuardedBuffer buffer(10);
    StoreNarrowValue(longer, buffer.data(), 10);
    EXPECT_EQ(buffer.text(), "");
    VariantClear(&longer);
    VariantClear(&value);
}

TEST(StoreNarrowValueTest, ABufferOfSizeZeroOrLessIsNeverWritten)
{
    VARIANT value = StringVariant(L"QUENOR");
    for (const int size : {0, -1, -2048}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        GuardedBuffer buffer(0);
        StoreNarrowValue(value, buffer.data(), size);
        EXPECT_TRUE(buffer.guardsIntact(0));
    }
    StoreNarrowValue(value, nullptr, 16); // no buffer at all: nothing happens
    VariantClear(&value);
}

TEST(StoreNarrowValueTest, AValueThatIsNoStringEmptiesTheBuffer)
{
    VARIANT empty;
    VariantInit(&empty);
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = 0x41414141; // would read as text if taken for a string
    VARIANT noString;
    VariantInit(&noString);
    noString.vt = VT_BSTR;
    noString.bstrVal = nullptr;
    VARIANT strings;
    VariantInit(&strings);
    strings.vt = VT_BSTR | VT_ARRAY;
    strings.parray = nullptr;

    const struct {
        const char *what;
        VARIANT *value;
    } cases[] = {
        // clang-format off
        {"missing (VT_EMPTY)", &empty},
        {"null (VT_NULL)", &null},
        {"a number (VT_I4)", &number},
        {"a null BSTR", &noString},
        {"an array of strings", &strings},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        GuardedBuffer buffer(16);
        ASSERT_EQ(StringCchCopyA(buffer.data(), 16, "earlier"), S_OK);
        StoreNarrowValue(*c.value, buffer.data(), 16);
        EXPECT_EQ(buffer.text(), "");
        EXPECT_TRUE(buffer.guardsIntact(16));
    }
}

TEST(StoreNarrowValueTest, AValueWithoutANarrowFormEmptiesTheBuffer)
{
    // U+0416 has no single-byte form in the C runtime's default locale.
    VARIANT value = StringVariant(L"quillbook\x0416");
    GuardedBuffer buffer(32);
    ASSERT_EQ(StringCchCopyA(buffer.data(), 32, "earlier"), S_OK);
    StoreNarrowValue(value, buffer.data(), 32);
    EXPECT_EQ(buffer.text(), "");
    VariantClear(&value);
}

} // namespace

// The one-shot install mark, through the exports as the outside
// installer calls them: LoadLibrary and GetProcAddress by ordinal.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_prep_library.h"
#include "mark_registry.h"

namespace {

using namespace installpreptest;

class InstallMarkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library_.loaded()); }

    MarkKeyGuard guard_;
    InstallPrepLibrary library_;
};

TEST_F(InstallMarkTest, ExportsSitAtTheirOrdinals)
{
    const HMODULE module = library_.module();
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(module, "ZRPCheckFamily")),
              reinterpret_cast<void *>(library_.ZRPCheckFamily));
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(module, "ZRPGetModelKeyword")),
              reinterpret_cast<void *>(library_.ZRPGetModelKeyword));
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(module, "ZRPSetRegMark")),
              reinterpret_cast<void *>(library_.ZRPSetRegMark));
    EXPECT_EQ(reinterpret_cast<void *>(GetProcAddress(module, "ZRPCheckRegMark")),
              reinterpret_cast<void *>(library_.ZRPCheckRegMark));
}

TEST_F(InstallMarkTest, SetWritesTheMarkAndTheFirstCheckConsumesIt)
{
    ASSERT_EQ(library_.ZRPSetRegMark(), 1);
    const auto written = ReadValue(kMarkKey, kMarkValue);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(written->data.size(), 38u);
    EXPECT_EQ(written->data, TextBytes(kMarkText));

    EXPECT_EQ(library_.ZRPCheckRegMark(), 1);
    EXPECT_FALSE(KeyExists(kMarkKey));
    EXPECT_TRUE(KeyExists(kZerinKey)) << "the parent key stays";
    EXPECT_EQ(library_.ZRPCheckRegMark(), 0);
    EXPECT_FALSE(KeyExists(kMarkKey));
}

TEST_F(InstallMarkTest, SetOverwritesOtherData)
{
    ASSERT_TRUE(WriteValue(kMarkKey, kMarkValue, REG_DWORD, {1, 2, 3, 4}));
    ASSERT_EQ(library_.ZRPSetRegMark(), 1);
    const auto written = ReadValue(kMarkKey, kMarkValue);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(written->data, TextBytes(kMarkText));
    EXPECT_EQ(library_.ZRPCheckRegMark(), 1);
}

TEST_F(InstallMarkTest, OtherDataIsNoMarkAndStaysInPlace)
{
    std::vector<BYTE> longerThanTheBuffer = TextBytes(kMarkText);
    longerThanTheBuffer.resize(514, 'x');
    std::vector<BYTE> oneByteShort = TextBytes(kMarkText);
    oneByteShort.pop_back();
    const struct {
        const char *what;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {"one digit changed", REG_SZ, TextBytes(L"KD1997032120080615")},
        {"first letter changed", REG_SZ, TextBytes(L"XD1997032120080614")},
        {"lower case", REG_SZ, TextBytes(L"kd1997032120080614")},
        // REG_BINARY: for a string type RegSetValueExW may count a zero that
        // happens to follow the data.
        {"without its terminator (36 bytes)", REG_BINARY, TextBytes(kMarkText, false)},
        {"one byte short (37 bytes)", REG_BINARY, oneByteShort},
        {"a further character", REG_SZ, TextBytes(L"KD1997032120080614X")},
        {"a leading blank", REG_SZ, TextBytes(L" KD1997032120080614")},
        {"empty text", REG_SZ, TextBytes(L"")},
        {"no data", REG_BINARY, {}},
        {"narrow characters", REG_BINARY,
         std::vector<BYTE>(std::begin("KD1997032120080614"), std::end("KD1997032120080614"))},
        {"longer than 512 bytes", REG_BINARY, longerThanTheBuffer},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteValue(kMarkKey, kMarkValue, c.type, c.data));
        EXPECT_EQ(library_.ZRPCheckRegMark(), 0);
        const auto kept = ReadValue(kMarkKey, kMarkValue);
        ASSERT_TRUE(kept.has_value());
        EXPECT_EQ(kept->type, c.type);
        EXPECT_EQ(kept->data, c.data);
        // The family check consults the mark first: it does not consume
        // other data either (an unknown selector makes no query).
        EXPECT_EQ(library_.ZRPCheckFamily(300), 0);
        EXPECT_TRUE(ReadValue(kMarkKey, kMarkValue).has_value());
    }
}

TEST_F(InstallMarkTest, TheSameBytesCountUnderAnyTypeAndAfterThe38th)
{
    std::vector<BYTE> fullBuffer = TextBytes(kMarkText);
    fullBuffer.resize(512, 'x');
    const struct {
        const char *what;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, TextBytes(kMarkText)},
        {"REG_BINARY", REG_BINARY, TextBytes(kMarkText)},
        {"REG_MULTI_SZ with a second string", REG_MULTI_SZ,
         TextBytes(std::wstring(kMarkText) + L'\0' + L"more" + L'\0')},
        {"exactly 512 bytes", REG_BINARY, fullBuffer},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteValue(kMarkKey, kMarkValue, c.type, c.data));
        EXPECT_EQ(library_.ZRPCheckRegMark(), 1);
        EXPECT_FALSE(KeyExists(kMarkKey));
        EXPECT_EQ(library_.ZRPCheckRegMark(), 0);
    }
}

TEST_F(InstallMarkTest, MissingKeyOrValueGivesZeroAndCreatesNothing)
{
    const bool zerinBefore = KeyExists(kZerinKey);
    EXPECT_EQ(library_.ZRPCheckRegMark(), 0);
    EXPECT_FALSE(KeyExists(kMarkKey));
    EXPECT_EQ(KeyExists(kZerinKey), zerinBefore);

    ASSERT_TRUE(WriteValue(kMarkKey, L"OtherValue", REG_SZ, TextBytes(kMarkText)));
    EXPECT_EQ(library_.ZRPCheckRegMark(), 0);
    EXPECT_TRUE(KeyExists(kMarkKey));
    EXPECT_FALSE(ReadValue(kMarkKey, kMarkValue).has_value());
    EXPECT_TRUE(ReadValue(kMarkKey, L"OtherValue").has_value());

    // The mark lives under its value name only, not as the key's default.
    ASSERT_TRUE(WriteValue(kMarkKey, nullptr, REG_SZ, TextBytes(kMarkText)));
    EXPECT_EQ(library_.ZRPCheckRegMark(), 0);
    EXPECT_TRUE(KeyExists(kMarkKey));
}

TEST_F(InstallMarkTest, AFailedDeletionAfterAMatchStillCounts)
{
    // A key with a subkey cannot be deleted with RegDeleteKeyW.
    ASSERT_TRUE(CreateKey((std::wstring(kMarkKey) + L"\\Child").c_str()));
    ASSERT_EQ(library_.ZRPSetRegMark(), 1);
    EXPECT_EQ(library_.ZRPCheckRegMark(), 1);
    EXPECT_TRUE(KeyExists(kMarkKey));
    // Nothing was consumed, so the mark is still valid.
    EXPECT_EQ(library_.ZRPCheckRegMark(), 1);
}

TEST_F(InstallMarkTest, FamilyCheckWithAValidMarkSucceedsForAnySelectorAndConsumesIt)
{
    for (const int selector : {100, 200, 300, 0, -1}) {
        SCOPED_TRACE(testing::Message() << "selector " << selector);
        ASSERT_EQ(library_.ZRPSetRegMark(), 1);
        EXPECT_EQ(library_.ZRPCheckFamily(selector), 1);
        EXPECT_FALSE(KeyExists(kMarkKey));
    }
    // Consumed: the next check is the real one, and Wine's machine is none
    // of the family.
    EXPECT_EQ(library_.ZRPCheckFamily(300), 0);
    EXPECT_EQ(library_.ZRPCheckFamily(200), 0);
}

TEST_F(InstallMarkTest, ModelKeywordDoesNotConsultTheMark)
{
    ASSERT_EQ(library_.ZRPSetRegMark(), 1);
    char buffer[16] = "untouched";
    EXPECT_EQ(library_.ZRPGetModelKeyword(300, buffer, sizeof(buffer)), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_TRUE(ReadValue(kMarkKey, kMarkValue).has_value());
}

} // namespace

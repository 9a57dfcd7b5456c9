// Generated settings files, well-formed and not: every one either loads or
// sets exactly one setting error, and none crashes or hangs the host's
// settings code. KIVO_SETTINGS_FILES sets how many (200 by default; the
// benchmark script runs 1000).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "errors/error_manager.h"
#include "file_bytes.h"
#include "ini_text.h"
#include "parameter/function_button_parameter.h"
#include "user_settings_guard.h"

namespace {

using hosttest::IniText;

bool NoRows(IWbemServices *, const wchar_t *, const wchar_t *, std::size_t, std::vector<UniqueVariant> &)
{
    return true;
}

const wchar_t *const kSettingKeys[] = {L"ItemNum",          L"ButtonADefaultId", L"ButtonASettingId",
                                       L"ButtonBDefaultId", L"ButtonBSettingId", L"ButtonAction",
                                       L"InkrunKicker"};
const wchar_t *const kItemKeys[] = {L"ItemId", L"ItemPreEvent", L"ItemPathInfo", L"ItemName", L"ItemPath",
                                    L"ItemOption"};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    std::string File()
    {
        switch (Pick(10)) {
        case 0:
            return Junk(Pick(2000));
        case 1: {
            std::string bytes = Text();
            bytes.resize(Pick(static_cast<unsigned>(bytes.size()) + 1)); // cut anywhere
            return bytes;
        }
        default:
            return Text();
        }
    }

private:
    unsigned Pick(unsigned n) { return n == 0 ? 0 : std::uniform_int_distribution<unsigned>(0, n - 1)(random_); }

    std::string Junk(unsigned size)
    {
        std::string bytes(size, '\0');
        for (char &c : bytes)
            c = static_cast<char>(Pick(256));
        return bytes;
    }

    std::wstring Value()
    {
        switch (Pick(8)) {
        case 0:
            return L"";
        case 1:
            return std::to_wstring(static_cast<int>(Pick(200)) - 50);
        case 2:
            return L"2147483648";
        case 3:
            return std::wstring(Pick(400), static_cast<wchar_t>(L'a' + Pick(26)));
        case 4:
            return L"\x30D5\x30A1\x30F3\x30AF\x30B7\x30E7\x30F3";
        case 5:
            return L"HKEY_CURRENT_USER\\Software\\NoSuchKey,Value";
        default:
            return std::to_wstring(Pick(12));
        }
    }

    std::string Text()
    {
        IniText ini = IniText::Valid(1 + static_cast<int>(Pick(12)));
        const unsigned changes = Pick(6);
        for (unsigned i = 0; i < changes; ++i) {
            const bool item = Pick(2) == 0;
            const std::wstring section = item ? IniText::ItemSection(1 + static_cast<int>(Pick(14))) : L"Setting";
            const wchar_t *key = item ? kItemKeys[Pick(6)] : kSettingKeys[Pick(7)];
            if (Pick(4) == 0)
                ini.Remove(section, key);
            else
                ini.Set(section, key, Value());
        }
        if (Pick(8) == 0)
            ini.Set(L"Setting", std::wstring(Pick(20) + 1, L'k'), Value()); // a key nobody reads
        return Pick(3) == 0 ? hosttest::Utf16Bytes(ini.Text()) : hosttest::AsciiBytes(ini.Text());
    }

    std::mt19937 random_;
};

TEST(SettingsFiles, GeneratedFilesLoadOrSetOneErrorId)
{
    const char *countText = std::getenv("KIVO_SETTINGS_FILES");
    const int count = countText != nullptr ? std::atoi(countText) : 200;
    hosttest::UserSettingsGuard guard;
    int loaded = 0;
    for (int n = 0; n < count; ++n) {
        Generator generator(static_cast<unsigned>(n));
        const std::string bytes = generator.File();
        ASSERT_TRUE(guard.WriteUserFile(bytes));
        SetError(KVF_ERROR_NONE);
        CFunctionButtonParameter parameter(NoRows);
        const BOOL ok = parameter.Load(nullptr);
        const int error = CErrorManager::GetError();
        SCOPED_TRACE(testing::Message() << "file " << n << ", " << bytes.size() << " bytes");
        if (ok) {
            EXPECT_EQ(error, KVF_ERROR_NONE);
            ++loaded;
            // The loaded items go on to the callback records.
            const int failed = parameter.SetCallBackParameter();
            EXPECT_GE(failed, 0);
            EXPECT_LE(failed, 3);
        } else {
            // One setting or item error; never "not enough items", which no
            // rule sets.
            EXPECT_GE(error, KVF_ERROR_BUTTON_A_DEFAULT_ID);
            EXPECT_LE(error, KVF_ERROR_BUTTON_ACTION);
            EXPECT_NE(error, KVF_ERROR_ITEM_NOT_ENOUGH);
        }
    }
    // The generator makes both kinds.
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, count);
    SetError(KVF_ERROR_NONE);
}

} // namespace

#include "settings/setting.h"

#include <strsafe.h>

#include "errors/error_manager.h"

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr int kUnsetId = 255;
constexpr int kMaxItemNum = 99;
// ids 1 to 99: two digits and the terminator.
constexpr std::size_t kIdTextChars = 3;

bool IdInRange(int id, int itemNum)
{
    return id >= 1 && id <= itemNum;
}

} // namespace

CSetting::CSetting() noexcept
{
    GetIniFilePath(IniPath, kIniPathChars);
}

void CSetting::LoadSetting() noexcept
{
    const auto readInt = [this](LPCWSTR key, int fallback) {
        return static_cast<int>(GetPrivateProfileIntW(kSection, key, fallback, IniPath));
    };
    ButtonADefaultId = readInt(L"ButtonADefaultId", kUnsetId);
    ButtonASettingId = readInt(L"ButtonASettingId", kUnsetId);
    ButtonBDefaultId = readInt(L"ButtonBDefaultId", kUnsetId);
    ButtonBSettingId = readInt(L"ButtonBSettingId", kUnsetId);
    ItemNum = readInt(L"ItemNum", kUnsetId);
    ButtonAction = readInt(L"ButtonAction", 1);
    GetPrivateProfileStringW(kSection, L"InkrunKicker", L"", InkrunKicker, kIniPathChars, IniPath);
}

bool CSetting::CheckSetting() noexcept
{
    _kvf_error_id failure = KVF_ERROR_NONE;
    if (ItemNum < 1 || ItemNum > kMaxItemNum)
        failure = KVF_ERROR_ITEM_NUM;
    else if (!IdInRange(ButtonADefaultId, ItemNum))
        failure = KVF_ERROR_BUTTON_A_DEFAULT_ID;
    else if (!IdInRange(ButtonASettingId, ItemNum))
        failure = KVF_ERROR_BUTTON_A_SETTING_ID;
    else if (!IdInRange(ButtonBDefaultId, ItemNum))
        failure = KVF_ERROR_BUTTON_B_DEFAULT_ID;
    else if (!IdInRange(ButtonBSettingId, ItemNum))
        failure = KVF_ERROR_BUTTON_B_SETTING_ID;
    else if (ButtonAction != 0 && ButtonAction != 1)
        failure = KVF_ERROR_BUTTON_ACTION;
    else if (InkrunKicker[0] == L'\0')
        failure = KVF_ERROR_INKRUN_KICKER;
    if (failure == KVF_ERROR_NONE)
        return true;
    SetError(failure);
    return false;
}

bool CSetting::UpdateSetting() noexcept
{
    // The file may have been removed since start-up; resolving brings it back
    // from the template. When that fails there is no file worth writing to:
    // a write would leave a file with only these two keys, which, as an
    // existing per-user file, would never be replaced by the template again.
    if (!GetIniFilePath(IniPath, kIniPathChars))
        return false;
    if (!updateInt(L"ButtonASettingId", ButtonASettingId))
        return false;
    return updateInt(L"ButtonBSettingId", ButtonBSettingId);
}

bool CSetting::updateInt(LPCWSTR key, int value) noexcept
{
    WCHAR text[kIdTextChars];
    if (FAILED(StringCchPrintfW(text, kIdTextChars, L"%d", value)))
        return false;
    return WritePrivateProfileStringW(kSection, key, text, IniPath) != FALSE;
}

#include "settings/item.h"

#include <strsafe.h>

#include "errors/error_manager.h"

namespace {

constexpr std::size_t kSectionChars = 9;
constexpr int kUnset = -1;
constexpr std::size_t kMaxTextChars = 256;

bool IsKnownKind(int kind)
{
    switch (kind) {
    case ITEM_KIND_NONE:
    case ITEM_KIND_PROGRAM_PATH:
    case ITEM_KIND_START_MENU_NAME:
    case ITEM_KIND_WINDOW_SWITCHER:
    case ITEM_KIND_DISPLAY_SWITCHER:
    case ITEM_KIND_REGISTRY_PATH:
    case ITEM_KIND_PEN_APPLICATION:
    case ITEM_KIND_COMPANION:
        return true;
    default:
        return IsChargeKind(kind);
    }
}

void ClearIfUnusable(WCHAR (&text)[kIniPathChars])
{
    if (wcsnlen(text, kIniPathChars) > kMaxTextChars)
        text[0] = L'\0';
}

} // namespace

CItem::CItem() noexcept
{
    GetIniFilePath(IniPath, kIniPathChars);
}

int CItem::LoadItems(int n) noexcept
{
    WCHAR section[kSectionChars];
    if (FAILED(StringCchPrintfW(section, kSectionChars, L"Item%02d", n)))
        return -1;
    const auto readInt = [&](LPCWSTR key) {
        return static_cast<int>(GetPrivateProfileIntW(section, key, kUnset, IniPath));
    };
    ItemId = readInt(L"ItemId");
    ItemPreEvent = readInt(L"ItemPreEvent");
    ItemPathInfo = readInt(L"ItemPathInfo");
    GetPrivateProfileStringW(section, L"ItemName", L"", ItemName, kIniPathChars, IniPath);
    GetPrivateProfileStringW(section, L"ItemPath", L"", ItemPath, kIniPathChars, IniPath);
    GetPrivateProfileStringW(section, L"ItemOption", L"", ItemOption, kIniPathChars, IniPath);
    return checkLoadItem(n) ? 1 : 0;
}

bool CItem::checkLoadItem(int n) noexcept
{
    if (ItemId != n) {
        SetError(KVF_ERROR_ITEM_ID);
        return false;
    }
    if (ItemPreEvent != 0 && ItemPreEvent != 1) {
        SetError(KVF_ERROR_ITEM_PRE_EVENT);
        return false;
    }
    if (!IsKnownKind(ItemPathInfo)) {
        SetError(KVF_ERROR_ITEM_PATH_INFO);
        return false;
    }
    ClearIfUnusable(ItemName);
    ClearIfUnusable(ItemPath);
    ClearIfUnusable(ItemOption);
    return true;
}

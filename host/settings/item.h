// One [ItemNN] section of the host settings file in memory.
#pragma once

#include <windows.h>

#include "settings/ini_file_path.h"

// Kinds of item (ItemPathInfo).
enum ItemKind : int {
    ITEM_KIND_NONE = 0,
    ITEM_KIND_PROGRAM_PATH = 1,
    ITEM_KIND_START_MENU_NAME = 2,
    ITEM_KIND_WINDOW_SWITCHER = 3,
    ITEM_KIND_DISPLAY_SWITCHER = 4,
    ITEM_KIND_REGISTRY_PATH = 5,
    ITEM_KIND_PEN_APPLICATION = 100,
    ITEM_KIND_COMPANION = 101,
    // Charge actions: the host changes a charge option of the embedded
    // controller through the control library and says what it did.
    ITEM_KIND_FULL_CHARGE_ONCE = 200,   // starts a one-time full charge; again: ends it
    ITEM_KIND_NEXT_BATTERY_LIMIT = 201, // 100 -> 80 -> 50 -> 100 %
    ITEM_KIND_USB_CHARGE = 202,         // USB charging while off: on <-> off
};

inline bool IsChargeKind(int kind) noexcept
{
    return kind >= ITEM_KIND_FULL_CHARGE_ONCE && kind <= ITEM_KIND_USB_CHARGE;
}

class CItem {
public:
    // Resolves IniPath (copying the template on first use); strings start
    // empty, the integers stay 0 until LoadItems.
    CItem() noexcept;

    // Reads section "Item%02d" of n into every member but IniPath, so one
    // object serves all sections. 1: read and valid. 0: invalid, error set.
    // -1: the section name cannot be formed.
    int LoadItems(int n) noexcept;

    // Validates the item read for section n; strings that are empty or
    // longer than 256 characters are emptied without an error.
    bool checkLoadItem(int n) noexcept;

    int ItemId = 0;
    int ItemPreEvent = 0;
    int ItemPathInfo = 0;
    WCHAR ItemName[kIniPathChars] = {};
    WCHAR ItemPath[kIniPathChars] = {};
    WCHAR ItemOption[kIniPathChars] = {};
    WCHAR IniPath[kIniPathChars] = {};
};

// The user-interface thread's settings object: the [Setting] values, the
// items in id order and the finder of Start-menu applications.
#pragma once

#include <windows.h>

#include <vector>

#include "discovery/search_aplication.h"
#include "settings/item.h"
#include "settings/setting.h"

class CFunctionButtonParameter {
public:
    // Constructing resolves the settings file (copying the template on first
    // use).
    CFunctionButtonParameter() noexcept = default;

    // Discovery first, then the settings and every item. FALSE when a rule
    // is broken (the pending error says which); items read before a broken
    // one stay in the list.
    BOOL Load(HWND hWnd) noexcept;

    // Writes the two selected item ids to the settings file.
    BOOL Update() noexcept;

    // Element k holds the item whose id is k + 1.
    const std::vector<CItem> &getItems() const noexcept { return m_Items; }
    CSetting *getSetting() noexcept { return &m_Setting; }

    // In memory only; the file changes at the next Update.
    void setSettingA(int id) noexcept { m_Setting.ButtonASettingId = id; }
    void setSettingB(int id) noexcept { m_Setting.ButtonBSettingId = id; }

private:
    CSetting m_Setting;
    std::vector<CItem> m_Items;
    CSearchAplication m_Search;
};

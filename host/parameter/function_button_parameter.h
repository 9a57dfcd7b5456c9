// The user-interface thread's settings object: the [Setting] values, the
// items in id order and the finder of Start-menu applications.
#pragma once

#include <windows.h>

#include <vector>

#include "callback/callback_parameter.h"
#include "discovery/search_aplication.h"
#include "settings/item.h"
#include "settings/setting.h"

class CFunctionButtonParameter {
public:
    // Constructing resolves the settings file (copying the template on first
    // use).
    CFunctionButtonParameter() noexcept = default;
    // query replaces discovery's WMI row source.
    explicit CFunctionButtonParameter(WmiQueryFunction query) noexcept : m_Search(query) {}

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

    // Fills the callback record of both buttons from the selected items.
    // Bit 0: button A cannot act, bit 1: button B cannot act.
    int SetCallBackParameter() noexcept;

    // Builds one button's record and stores it. FALSE when the id names no
    // item or its module cannot be resolved; the record then has an empty
    // command (kind and pre-event kept when the item exists).
    BOOL setParameterToCallBack(BUTTON_NAME button, int id, const WCHAR *kicker,
                                const std::vector<CItem> &items) noexcept;

    // The module of an item by its kind; module: 260 characters.
    BOOL getExecuteModule(_Param *param, const WCHAR *path, WCHAR *module) noexcept;

    // The registry string named by "ROOT\subkey,value"; value: 260
    // characters, always terminated. A missing value reads as empty; a value
    // that is not a string or does not fit fails.
    static BOOL getRegistoryInfo(const WCHAR *reference, WCHAR *value) noexcept;

    // The predefined key of a root name (exact case); NULL for any other.
    static HKEY getKeyHandle(const WCHAR *root) noexcept;

private:
    CSetting m_Setting;
    std::vector<CItem> m_Items;
    CSearchAplication m_Search;
};

#include "parameter/function_button_parameter.h"

BOOL CFunctionButtonParameter::Load(HWND hWnd) noexcept
{
    m_Search.Initialize(hWnd);
    m_Setting.LoadSetting();
    if (!m_Setting.CheckSetting())
        return FALSE;
    const int itemNum = m_Setting.ItemNum;
    if (itemNum < 1)
        return FALSE;
    try {
        CItem item;
        for (int id = 1; id <= itemNum; ++id) {
            if (item.LoadItems(id) != 1)
                return FALSE;
            m_Items.push_back(item);
        }
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

BOOL CFunctionButtonParameter::Update() noexcept
{
    return m_Setting.UpdateSetting() ? TRUE : FALSE;
}

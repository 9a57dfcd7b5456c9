// The controls a dialog binds to: thin window objects over the control's
// own messages.
#pragma once

#include <windows.h>

#include <string>

#include "framework/wnd.h"

class CButton : public CWnd {};

class CComboBox : public CWnd {
public:
    // index -1 appends at the end, without sorting even in a sorted list.
    int InsertString(int index, const std::wstring &text) const noexcept
    {
        return static_cast<int>(SendMessageW(CB_INSERTSTRING, static_cast<WPARAM>(index),
                                             reinterpret_cast<LPARAM>(text.c_str())));
    }
    // CB_ERR (-1) when nothing is selected.
    int GetCurSel() const noexcept { return static_cast<int>(SendMessageW(CB_GETCURSEL)); }
    int SetCurSel(int index) const noexcept
    {
        return static_cast<int>(SendMessageW(CB_SETCURSEL, static_cast<WPARAM>(index)));
    }
};

// One Start-menu shortcut found by discovery: its display name and the path
// of its .lnk file.
#pragma once

#include <string>

class CApplicationRecord {
public:
    // itemName: a program-group item as WMI names it, owner ":" path below
    // the owner's Microsoft\Windows profile folder, for example
    // "Public:Start Menu\Programs\Accessories\Notepad.lnk". False when the
    // item is not a usable shortcut. user is the logged-in user as WMI
    // reports it (domain "\" name); the path itself comes from the shell's
    // known folders, not from the user's name.
    bool setData(std::wstring user, std::wstring itemName);

    std::wstring m_strName;
    std::wstring m_strLinkPath;
};

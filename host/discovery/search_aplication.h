// Discovery of Start-menu shortcuts and resolution of a shortcut's display
// name into a command line.
//
// Discovery runs once, when the main window is created: WMI names the
// logged-in user and every program-group item, and each usable item becomes
// a record (display name, .lnk path). Resolution looks a name up and reads
// target and arguments from the shortcut file. Both leave the calling
// thread's COM state as they found it.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <list>
#include <string>

#include "discovery/application_record.h"
#include "discovery/wmi_query.h"

class CSearchAplication {
public:
    CSearchAplication() noexcept = default;
    // query replaces the WMI row source (for machines whose WMI has no
    // program-group rows); everything after the query is the same.
    explicit CSearchAplication(WmiQueryFunction query) noexcept : m_query(query) {}

    // Stores the owner window and builds the list; the outcome is not
    // reported.
    void Initialize(HWND ownerWnd) noexcept;

    // command: 260 characters. Target path, one blank and the arguments of
    // the first shortcut named name (case-sensitive); unquoted, and with the
    // blank even when there are no arguments. False, with command untouched,
    // when the name is unknown or the shortcut cannot be read.
    bool GetExecuteCommand(LPCWSTR name, LPWSTR command) noexcept;

    const std::list<CApplicationRecord> &getApplicationList() const noexcept
    {
        return m_listApplication;
    }

    // The steps, one by one.
    bool makeAplicationList();
    bool accessWMI();
    bool getLogInUser(IWbemServices *services, std::wstring &user);
    bool getKeyWordAndLinkFile(IWbemServices *services, const std::wstring &user);
    static void convertBSTRoString(BSTR bstr, std::wstring &text);
    bool searchLinkFile(LPCWSTR name, std::wstring &linkPath) const;
    // target and arguments: 260 characters each.
    static bool getShortcutInfo(HWND ownerWnd, LPCWSTR linkPath, LPWSTR target,
                                LPWSTR arguments) noexcept;

private:
    HWND m_hOwnerWnd = nullptr;
    std::list<CApplicationRecord> m_listApplication;
    WmiQueryFunction m_query = ExecuteWmiQuery;
};

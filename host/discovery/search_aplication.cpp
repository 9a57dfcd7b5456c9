#include "discovery/search_aplication.h"

#include <strsafe.h>

namespace {

constexpr std::size_t kCommandChars = 260;

} // namespace

void CSearchAplication::Initialize(HWND ownerWnd) noexcept
{
    m_hOwnerWnd = ownerWnd;
    try {
        makeAplicationList();
    } catch (...) {
        // Out of memory while listing: the records made so far stay, and
        // names not listed just do not resolve.
    }
}

bool CSearchAplication::GetExecuteCommand(LPCWSTR name, LPWSTR command) noexcept
{
    if (name == nullptr || command == nullptr)
        return false;
    try {
        std::wstring linkPath;
        if (!searchLinkFile(name, linkPath))
            return false;
        WCHAR target[kCommandChars];
        WCHAR arguments[kCommandChars];
        if (!getShortcutInfo(m_hOwnerWnd, linkPath.c_str(), target, arguments))
            return false;
        // A command cut short would run something else; the caller's buffer
        // changes only when the whole command fits. The target is quoted, so
        // that a target in a folder with blanks starts that program and no
        // other; the arguments follow as the shortcut holds them.
        WCHAR joined[kCommandChars];
        if (FAILED(StringCchPrintfW(joined, kCommandChars, L"\"%s\" %s", target, arguments)))
            return false;
        return SUCCEEDED(StringCchCopyW(command, kCommandChars, joined));
    } catch (...) {
        return false;
    }
}

bool CSearchAplication::searchLinkFile(LPCWSTR name, std::wstring &linkPath) const
{
    if (m_listApplication.empty()) {
        linkPath.clear();
        return false;
    }
    // No record carries a null name: not found, the path left as it is.
    if (name == nullptr)
        return false;
    for (const CApplicationRecord &record : m_listApplication) {
        if (record.m_strName == name) {
            linkPath = record.m_strLinkPath;
            return true;
        }
    }
    return false;
}

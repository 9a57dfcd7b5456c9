#include "discovery/application_record.h"

#include <windows.h>
#include <knownfolders.h>

#include "platform/known_folder.h"

namespace {

constexpr wchar_t kPublicOwner[] = L"Public";
constexpr wchar_t kShortcutTail[] = L"lnk";
constexpr std::size_t kExtensionChars = 4; // ".lnk"
constexpr wchar_t kProfileSubfolder[] = L"\\Microsoft\\Windows\\";

} // namespace

bool CApplicationRecord::setData(std::wstring user, std::wstring itemName)
{
    (void)user;
    const std::size_t tailChars = sizeof(kShortcutTail) / sizeof(wchar_t) - 1;
    if (itemName.size() < tailChars ||
        itemName.compare(itemName.size() - tailChars, tailChars, kShortcutTail) != 0)
        return false;
    const std::size_t lastSeparator = itemName.rfind(L'\\');
    if (lastSeparator == std::wstring::npos)
        return false;
    const std::wstring fileName = itemName.substr(lastSeparator + 1);
    m_strName = fileName.size() >= kExtensionChars
                    ? fileName.substr(0, fileName.size() - kExtensionChars)
                    : std::wstring();
    const std::size_t colon = itemName.find(L':');
    if (colon == std::wstring::npos)
        return false;
    const std::wstring owner = itemName.substr(0, colon);
    const std::wstring rest = itemName.substr(colon + 1);

    // The shell knows where these folders are on this machine: another
    // system drive, a renamed profile root and folder redirection all show
    // up here. Items of any owner but "Public" are taken as the current
    // user's own, whoever WMI says owns them.
    std::wstring folder;
    if (!GetKnownFolder(owner == kPublicOwner ? FOLDERID_ProgramData : FOLDERID_RoamingAppData,
                        folder))
        return false;
    m_strLinkPath = folder + kProfileSubfolder + rest;
    return true;
}

// Resolution of one shortcut file into its target and arguments.
#include "discovery/search_aplication.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <strsafe.h>

#include "platform/com_apartment.h"
#include "win32/com_ptr.h"

namespace {

constexpr int kPathChars = 260;

} // namespace

bool CSearchAplication::getShortcutInfo(HWND ownerWnd, LPCWSTR linkPath, LPWSTR target,
                                        LPWSTR arguments) noexcept
{
    if (target == nullptr || arguments == nullptr)
        return false;
    target[0] = L'\0';
    arguments[0] = L'\0';
    // Declared first, so the interfaces below are released before COM is
    // let go of.
    const ComApartment apartment(COINIT_MULTITHREADED);
    if (!apartment.usable()) {
        OutputDebugStringW(L"getShortcutInfo. Error");
        return false;
    }
    WCHAR path[kPathChars];
    if (linkPath == nullptr || FAILED(StringCchCopyW(path, kPathChars, linkPath)))
        return false;

    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
        FAILED(file->Load(path, STGM_READ)) || FAILED(link->Resolve(ownerWnd, SLR_ANY_MATCH)))
        return false;
    // A shortcut to something that is not a file (a virtual folder such as
    // the Control Panel) has no path: S_FALSE and an empty target. It
    // counts as unresolved, like a shortcut that is not there.
    WIN32_FIND_DATAW found;
    if (link->GetPath(target, kPathChars, &found, 0) != S_OK || target[0] == L'\0') {
        target[0] = L'\0';
        return false;
    }
    link->GetArguments(arguments, kPathChars);
    return true;
}

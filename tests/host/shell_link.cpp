#include "shell_link.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "win32/com_ptr.h"

namespace hosttest {

bool CreateShellLink(const std::wstring &linkPath, const std::wstring &target,
                     const std::wstring &arguments)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, link.put_void())) &&
           SUCCEEDED(link->SetPath(target.c_str())) &&
           SUCCEEDED(link->SetArguments(arguments.c_str())) &&
           SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
           SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

bool CreateFolderLink(const std::wstring &linkPath, int csidl)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    PIDLIST_ABSOLUTE folder = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &folder)))
        return false;
    const bool saved = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                                  link.put_void())) &&
                       SUCCEEDED(link->SetIDList(folder)) &&
                       SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
                       SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
    CoTaskMemFree(folder);
    return saved;
}

} // namespace hosttest

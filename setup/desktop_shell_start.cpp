#include "desktop_shell_start.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include "win32/com_ptr.h"
#include "win32/unique_bstr.h"
#include "win32/unique_variant.h"

namespace {

class ComThread {
public:
    ComThread() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComThread()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComThread(const ComThread &) = delete;
    ComThread &operator=(const ComThread &) = delete;
    HRESULT result() const noexcept { return result_; }

private:
    HRESULT result_;
};

// The desktop folder view's automation object, through which the shell's
// own process runs what it is asked to.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2> &shell)
{
    ComPtr<IShellWindows> windows;
    HRESULT result = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                      windows.put_void());
    if (FAILED(result))
        return result;
    UniqueVariant location;
    UniqueVariant root;
    long window = 0;
    ComPtr<IDispatch> desktop;
    result = windows->FindWindowSW(const_cast<VARIANT *>(&location.get()), const_cast<VARIANT *>(&root.get()),
                                   SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.put());
    if (result == S_FALSE || (SUCCEEDED(result) && !desktop))
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (FAILED(result))
        return result;
    ComPtr<IServiceProvider> provider;
    if (FAILED(result = desktop->QueryInterface(IID_IServiceProvider, provider.put_void())))
        return result;
    ComPtr<IShellBrowser> browser;
    if (FAILED(result = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void())))
        return result;
    ComPtr<IShellView> view;
    if (FAILED(result = browser->QueryActiveShellView(view.put())))
        return result;
    ComPtr<IDispatch> background;
    if (FAILED(result = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())))
        return result;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(result = background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void())))
        return result;
    ComPtr<IDispatch> application;
    if (FAILED(result = folderView->get_Application(application.put())))
        return result;
    return application->QueryInterface(IID_IShellDispatch2, shell.put_void());
}

} // namespace

HRESULT StartThroughDesktopShell(const std::wstring &program)
{
    const ComThread com;
    if (FAILED(com.result()))
        return com.result();
    ComPtr<IShellDispatch2> shell;
    const HRESULT result = DesktopShellDispatch(shell);
    if (FAILED(result))
        return result;
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    const UniqueBstr file(program.c_str());
    if (file.get() == nullptr)
        return E_OUTOFMEMORY;
    UniqueVariant arguments;
    UniqueVariant directory = UniqueVariant::FromString(folder.c_str());
    UniqueVariant verb;
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    // Success is S_OK only: an implementation may answer a failed start
    // with S_FALSE.
    const HRESULT started = shell->ShellExecute(file.get(), arguments.get(), directory.get(), verb.get(), show);
    return started == S_FALSE ? E_FAIL : started;
}

#include "framework/wnd.h"

#include <strsafe.h>

#include "framework/win_app.h"

CWnd::~CWnd()
{
    // A window whose object goes away first must not call into it any more.
    if (m_hWnd != nullptr)
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

const wchar_t *CWnd::RegisterWndClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // One class per set of looks, named after them, as long as the process
    // lives.
    static thread_local wchar_t name[96];
    StringCchPrintfW(name, ARRAYSIZE(name), L"KivoWnd:%x:%p:%p:%p", style, static_cast<void *>(cursor),
                     static_cast<void *>(background), static_cast<void *>(icon));
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(instance, name, &existing))
        return name;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0 ? name : nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t *className, const wchar_t *title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu)
{
    if (className == nullptr)
        return FALSE;
    // StaticWindowProc takes the object from the creation parameters.
    const HWND created = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                                         GetModuleHandleW(nullptr), this);
    return created != nullptr ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() noexcept
{
    return m_hWnd != nullptr ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::SetWindowTextW(const std::wstring &text) const noexcept
{
    return ::SetWindowTextW(m_hWnd, text.c_str());
}

BOOL CWnd::PostMessageW(UINT message, WPARAM wParam, LPARAM lParam) const noexcept
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessageW(UINT message, WPARAM wParam, LPARAM lParam) const noexcept
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

const MessageMap *CWnd::GetMessageMap() const noexcept
{
    return nullptr;
}

const MessageEntry *CWnd::FindEntry(UINT message, WPARAM wParam) const noexcept
{
    for (const MessageMap *map = GetMessageMap(); map != nullptr; map = map->base) {
        for (std::size_t i = 0; i < map->count; ++i) {
            const MessageEntry &entry = map->entries[i];
            if (entry.message != message)
                continue;
            // Commands are told apart by control id; only clicks (and menu or
            // accelerator commands, code 0) reach a command entry.
            if (message == WM_COMMAND &&
                (LOWORD(wParam) != entry.commandId || HIWORD(wParam) != BN_CLICKED))
                continue;
            return &entry;
        }
    }
    return nullptr;
}

bool CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result)
{
    const CurrentMessage outer = m_current;
    m_current = CurrentMessage{message, wParam, lParam};
    const MessageEntry *entry = FindEntry(message, wParam);
    const bool handled = entry != nullptr && entry->handler != nullptr;
    if (handled)
        result = entry->handler(*this, wParam, lParam);
    else
        result = Default();
    m_current = outer;
    return handled;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    Dispatch(message, wParam, lParam, result);
    return result;
}

LRESULT CWnd::Default()
{
    return DefWindowProcW(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

void CWnd::AfterNcDestroy()
{
    m_hWnd = nullptr;
    CWinApp *app = CWinApp::Current();
    if (app != nullptr && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd *self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<CWnd *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWnd *>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    // Messages before WM_NCCREATE (WM_GETMINMAXINFO) and after the object
    // let go of its window.
    if (self == nullptr)
        return DefWindowProcW(hWnd, message, wParam, lParam);
    const LRESULT result = self->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        self->AfterNcDestroy();
    }
    return result;
}

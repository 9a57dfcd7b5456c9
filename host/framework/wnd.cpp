#include "framework/wnd.h"

#include <strsafe.h>

#include "framework/win_app.h"

namespace {

// Window procedures of this thread that have not returned yet.
thread_local int t_procedureDepth = 0;
// Objects whose windows are gone, linked through m_pNextDestroyed.
thread_local CWnd *t_destroyed = nullptr;

} // namespace

CWnd::~CWnd()
{
    // A window whose object goes away first must not call into it any more;
    // a control bound by a dialog was never ours to change.
    if (m_hWnd != nullptr && GetWindowLongPtrW(m_hWnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    // An object that goes away by other means before its turn comes is
    // taken off the list.
    if (m_bDestroyed) {
        for (CWnd **link = &t_destroyed; *link != nullptr; link = &(*link)->m_pNextDestroyed) {
            if (*link == this) {
                *link = m_pNextDestroyed;
                break;
            }
        }
    }
}

CWnd::ProcedureScope::ProcedureScope() noexcept
{
    ++t_procedureDepth;
}

CWnd::ProcedureScope::~ProcedureScope()
{
    if (--t_procedureDepth != 0)
        return;
    // The outermost procedure of the thread: no handler can touch these
    // objects any more. PostNcDestroy may destroy further windows, whose
    // objects join the list and are taken too.
    ++t_procedureDepth;
    while (CWnd *window = t_destroyed) {
        t_destroyed = window->m_pNextDestroyed;
        window->m_pNextDestroyed = nullptr;
        window->m_bDestroyed = false;
        window->PostNcDestroy();
    }
    --t_procedureDepth;
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
    // Without a window the message would go to the thread's queue instead.
    return m_hWnd != nullptr ? ::PostMessageW(m_hWnd, message, wParam, lParam) : FALSE;
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

void CWnd::AfterNcDestroy() noexcept
{
    m_hWnd = nullptr;
    CWinApp *app = CWinApp::Current();
    if (app != nullptr && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    // Always inside a window procedure: its scope ends the object's life.
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        m_pNextDestroyed = t_destroyed;
        t_destroyed = this;
    }
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const ProcedureScope scope;
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

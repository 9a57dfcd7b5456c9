// A window object over a Win32 window, with a message table.
//
// Each window class that handles messages lists them in a MessageMap: the
// message number (and for WM_COMMAND the control id), and the function that
// handles it. A message is looked up in the most derived class's table
// first, then in its base classes' tables; an entry without a function means
// "default processing", and a message found nowhere gets default processing
// too. Handlers are plain functions that receive the window object, so the
// flow stays visible: no macros.
//
// Windows that delete themselves: an object whose PostNcDestroy deletes it
// is deleted only once no window procedure of its thread is running any
// more. A window destroyed inside a handler (directly, or in the loop of a
// message box that the handler shows) only has its object marked, and the
// thread's outermost window procedure deletes it on its way out. So a
// handler may go on using its members, and the objects they point to,
// after DestroyWindow or a message box returns; it checks m_hWnd (null once
// the window is gone) before it uses the window again.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class CWnd;

using MessageHandler = LRESULT (*)(CWnd &window, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    UINT message;
    // For WM_COMMAND: the control id whose click (or menu/accelerator
    // command) this entry handles; 0 for any other message.
    UINT commandId;
    // Null: default processing.
    MessageHandler handler;
};

struct MessageMap {
    const MessageMap *base;
    const MessageEntry *entries;
    std::size_t count;
};

template <std::size_t N>
constexpr MessageMap MakeMessageMap(const MessageMap *base, const MessageEntry (&entries)[N])
{
    return MessageMap{base, entries, N};
}

class CWnd {
public:
    CWnd() noexcept = default;
    virtual ~CWnd();
    CWnd(const CWnd &) = delete;
    CWnd &operator=(const CWnd &) = delete;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    // A window class with our window procedure and the given looks; the same
    // looks give the same class, registered once per process.
    static const wchar_t *RegisterWndClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon);

    // Creates the window for this object; FALSE when CreateWindowExW fails
    // (a WM_CREATE handler returning -1 included).
    BOOL CreateEx(DWORD exStyle, const wchar_t *className, const wchar_t *title, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menu);
    BOOL DestroyWindow() noexcept;

    // An existing window, not owned: used for the controls of a dialog.
    void Attach(HWND hWnd) noexcept { m_hWnd = hWnd; }

    BOOL SetWindowTextW(const std::wstring &text) const noexcept;
    BOOL PostMessageW(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept;
    LRESULT SendMessageW(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept;

    HWND m_hWnd = nullptr;

protected:
    // This class's table; every class with a table of its own overrides it.
    virtual const MessageMap *GetMessageMap() const noexcept;

    // Dispatches through the tables; what no entry handles goes to Default.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The default processing of the message being handled.
    virtual LRESULT Default();

    // After WM_NCDESTROY, with m_hWnd already cleared, once no window
    // procedure of this thread runs any more: the place where a window
    // object that owns itself deletes itself.
    virtual void PostNcDestroy() {}

    // The message being handled, for Default.
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage m_current;

    // Looks the message up in the tables, from this class to its bases.
    const MessageEntry *FindEntry(UINT message, WPARAM wParam) const noexcept;
    // The table dispatch shared with dialogs: true when an entry handled it.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT &result);
    // The window is gone: the object is marked for PostNcDestroy.
    void AfterNcDestroy() noexcept;

    // Lives for one call of a window or dialog procedure; the outermost one
    // of the thread runs PostNcDestroy of the objects marked meanwhile.
    class ProcedureScope {
    public:
        ProcedureScope() noexcept;
        ~ProcedureScope();
        ProcedureScope(const ProcedureScope &) = delete;
        ProcedureScope &operator=(const ProcedureScope &) = delete;
    };

    static LRESULT CALLBACK StaticWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // The thread's objects whose windows are gone, waiting for their
    // PostNcDestroy.
    CWnd *m_pNextDestroyed = nullptr;
    bool m_bDestroyed = false;
};

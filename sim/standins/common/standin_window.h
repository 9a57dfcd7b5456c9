// The one top-level window of a windowed stand-in and its message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace standin {

struct WindowSetup {
    std::wstring className;
    std::wstring title;
    // Hidden windows still take part in broadcasts; they only stay off the
    // screen, as a tray-style companion would.
    bool visible = true;
    // Sees every message first; a value means "handled, answer this".
    std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> onMessage;
};

// Creates the window and runs the message loop until the window is closed.
// WM_CLOSE logs "exit" and destroys the window; WM_DESTROY ends the loop.
// Returns the exit code: 0 after a close, 1 when the window could not be
// created (logged as "window failed <error>") or the loop broke down.
int RunWindow(const WindowSetup &setup);

} // namespace standin

#include "standin_window.h"

#include <string>

#include "standin_log.h"

namespace standin {

namespace {

class RegisteredClass {
public:
    RegisteredClass(HINSTANCE instance, const std::wstring &name, WNDPROC procedure)
        : instance_(instance), name_(name)
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = name_.c_str();
        registered_ = RegisterClassExW(&windowClass) != 0;
    }
    ~RegisteredClass()
    {
        if (registered_)
            UnregisterClassW(name_.c_str(), instance_);
    }
    RegisteredClass(const RegisteredClass &) = delete;
    RegisteredClass &operator=(const RegisteredClass &) = delete;

    bool registered() const { return registered_; }

private:
    HINSTANCE instance_;
    std::wstring name_;
    bool registered_ = false;
};

// Destroys the window if the loop ended without the close that normally does.
class OwnedWindow {
public:
    explicit OwnedWindow(HWND window) : window_(window) {}
    ~OwnedWindow()
    {
        if (window_ != nullptr && IsWindow(window_))
            DestroyWindow(window_);
    }
    OwnedWindow(const OwnedWindow &) = delete;
    OwnedWindow &operator=(const OwnedWindow &) = delete;

    HWND get() const { return window_; }

private:
    HWND window_;
};

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto *setup = reinterpret_cast<const WindowSetup *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (setup != nullptr && setup->onMessage) {
        if (const auto answer = setup->onMessage(window, message, wParam, lParam))
            return *answer;
    }
    switch (message) {
    case WM_CLOSE:
        AppendLogLine(L"exit");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int RunWindow(const WindowSetup &setup)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisteredClass windowClass(instance, setup.className, WindowProcedure);
    if (!windowClass.registered()) {
        AppendLogLine(L"window failed " + std::to_wstring(GetLastError()));
        return 1;
    }
    OwnedWindow window(CreateWindowExW(0, setup.className.c_str(), setup.title.c_str(),
                                       WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400, 240,
                                       nullptr, nullptr, instance,
                                       const_cast<WindowSetup *>(&setup)));
    if (window.get() == nullptr) {
        AppendLogLine(L"window failed " + std::to_wstring(GetLastError()));
        return 1;
    }
    if (setup.visible) {
        ShowWindow(window.get(), SW_SHOWNORMAL);
        UpdateWindow(window.get());
    }

    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return 1;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace standin

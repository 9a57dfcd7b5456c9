#include "actions/key_input.h"

namespace {

INPUT KeyInput(WORD vk, WORD scan, DWORD flags) noexcept
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    input.ki.time = 0;
    input.ki.dwExtraInfo = static_cast<ULONG_PTR>(GetMessageExtraInfo());
    return input;
}

} // namespace

void keyPressAndRelease(WORD vk) noexcept
{
    INPUT inputs[] = {KeyInput(vk, 0, 0), KeyInput(vk, 0, KEYEVENTF_KEYUP)};
    SendInput(2, inputs, sizeof(INPUT));
}

void KeyAction(WORD vk, BOOL keep) noexcept
{
    const WORD scan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    INPUT input = KeyInput(vk, scan, KEYEVENTF_EXTENDEDKEY);
    SendInput(1, &input, sizeof(INPUT));
    if (keep)
        return;
    input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(INPUT));
}

BOOL WaitSetClipboard() noexcept
{
    constexpr int kAttempts = 100;
    constexpr DWORD kIntervalMs = 30;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Sleep(kIntervalMs);
        if (IsClipboardFormatAvailable(CF_BITMAP))
            return TRUE;
    }
    return FALSE;
}

// Synthesised key strokes and the wait for a screen capture.
#pragma once

#include <windows.h>

// One SendInput with the key's press and release (no scan code).
void keyPressAndRelease(WORD vk) noexcept;

// The key as an extended key with its scan code; released again unless
// keep is TRUE.
void KeyAction(WORD vk, BOOL keep) noexcept;

// Polls the clipboard for a bitmap: 100 times, 30 ms apart. TRUE as soon as
// one is there.
BOOL WaitSetClipboard() noexcept;

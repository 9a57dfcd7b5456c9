// Following a started program until it waits for input, off the
// notification thread.
//
// A program can take long to become idle, or never become idle at all; the
// notification thread must serve the next report at once all the same. So
// each started program is handed to a short-lived thread of its own, which
// waits for it at most kInputIdleBoundMs and then does what follows the
// start (the bring-to-front). Once the bound has passed, nothing of the
// program is kept.
#pragma once

#include <windows.h>

// Long enough for a program that starts cold on a busy notebook (a few
// seconds, even for large programs), short enough that a window which shows
// up much later does not take the focus from whatever the user has turned
// to since the press; it also bounds what a hung program holds here.
constexpr DWORD kInputIdleBoundMs = 10000;

// At most this many programs are followed at once; a program started while
// that many are still starting is not followed (no bring-to-front).
constexpr long kMostFollowedPrograms = 8;

// What follows the start, on the follower's thread; processId is the
// started program's.
using AfterIdle = void (*)(DWORD processId) noexcept;

// Takes over the process handle (closed in every case). afterIdle runs when
// the program became idle, ended, or has no input to wait for; not when the
// bound passed first.
void FollowStartedProgram(HANDLE process, DWORD processId, AfterIdle afterIdle) noexcept;

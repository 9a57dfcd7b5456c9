// Starting the programs the buttons name with the user's ordinary rights.
//
// The host's manifest asks for UI access, so Windows runs it above the
// user's other programs and lets it drive any window. A program started
// with CreateProcessW gets a copy of the host's token, UI access included,
// while which program that is (and its options) comes from the user's own
// settings file, which any of the user's programs may write. So, when the
// host has UI access, a program is started as a child of the desktop shell
// (PROC_THREAD_ATTRIBUTE_PARENT_PROCESS): Windows documents that the child
// then takes the process token from that parent, the user's ordinary one
// (medium integrity, no UI access), while the command line, environment and
// current directory stay the host's. This needs no privilege, only
// PROCESS_CREATE_PROCESS on the shell, which the user's own Explorer
// grants; a token of the host's own making (UI access cleared, medium
// integrity) would need CreateProcessAsUserW, which documents privileges a
// standard user does not hold. Without a shell to start under, nothing is
// started: never with the host's UI access.
#pragma once

#include <windows.h>

// The error a start fails with when the host has UI access and no desktop
// shell runs to start the program under.
constexpr DWORD kErrorNoShellToStartUnder = ERROR_NOT_FOUND;

enum class StartRoute {
    Direct,     // the host's own token, with nothing to leak
    UnderShell, // a child of the desktop shell, with the shell's token
    Refused,    // nothing is started: kErrorNoShellToStartUnder
};

// What the route depends on.
struct StartFacts {
    bool hostHasUiAccess;
    DWORD shellProcessId; // 0: no shell window on this desktop
};

class UserProcessStart {
public:
    // The host's token (a token that cannot be read counts as having UI
    // access) and the owner of the desktop's shell window.
    static StartFacts Observe() noexcept;

    static StartRoute Choose(const StartFacts &facts) noexcept;

    // The route a start takes now.
    static StartRoute Route() noexcept;

    // CreateProcessW with no application name, no inheritance, the host's
    // environment and current directory, by the route the facts choose
    // (Observe() unless a test delivers others). FALSE with the start's
    // error (740 when the program's manifest asks for elevation).
    static BOOL Start(WCHAR *command, const STARTUPINFOW &startup, PROCESS_INFORMATION *info) noexcept;

    // For tests: the facts to use instead of Observe(); nullptr again
    // observes.
    using FactsSource = StartFacts (*)() noexcept;
    static void SetFactsSource(FactsSource source) noexcept;
};

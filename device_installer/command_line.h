// The installer's one switch.
#pragma once

namespace kivodevinst {

enum class Command { None, Install, Uninstall };

// Exactly one argument, compared case-insensitively over the length of each
// switch in turn ("/Install", "-Install", "/Uninstall", "-Uninstall"), so
// that what follows a switch is ignored. None for anything else.
Command ParseCommand(int argc, const wchar_t *const *argv);

} // namespace kivodevinst

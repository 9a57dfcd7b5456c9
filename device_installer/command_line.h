// The installer's one switch.
#pragma once

namespace kivodevinst {

enum class Command { None, Install, Uninstall, SetupInstall, SetupInstallSilent, SetupUninstall };

// Exactly one argument. The deployment switches ("/SetupInstall",
// "/SetupInstallSilent", "/SetupUninstall") are whole words compared
// case-insensitively and are tried first; the original switches
// ("/Install", "-Install", "/Uninstall", "-Uninstall") are then compared
// case-insensitively over their own length, so that what follows them is
// ignored, as existing callers rely on. None for anything else.
Command ParseCommand(int argc, const wchar_t *const *argv);

} // namespace kivodevinst

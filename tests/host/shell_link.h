// Real shortcut files, made through the shell's own link interfaces.
#pragma once

#include <string>

namespace hosttest {

// Writes a .lnk file pointing at target with the given arguments. The
// calling thread must have COM initialised.
bool CreateShellLink(const std::wstring &linkPath, const std::wstring &target,
                     const std::wstring &arguments);

} // namespace hosttest

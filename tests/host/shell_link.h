// Real shortcut files, made through the shell's own link interfaces.
#pragma once

#include <string>

namespace hosttest {

// Writes a .lnk file pointing at target with the given arguments. The
// calling thread must have COM initialised.
bool CreateShellLink(const std::wstring &linkPath, const std::wstring &target,
                     const std::wstring &arguments);

// Writes a .lnk file pointing at a shell folder that is not a file (its
// item id list only, as a link to "This PC" holds).
bool CreateFolderLink(const std::wstring &linkPath, int csidl);

} // namespace hosttest

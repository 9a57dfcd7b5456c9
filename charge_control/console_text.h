// Texts of the string table, written to the console or to whatever the
// output was redirected into.
#pragma once

#include <windows.h>

#include <string>

namespace chargectl {

// The string with that id, in the user-interface language.
std::wstring Text(UINT id);

// A line to standard output or standard error: through the console when it
// is one, else as UTF-8.
void WriteLine(DWORD stream, const std::wstring &line);

} // namespace chargectl

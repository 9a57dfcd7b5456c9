// Where the installer looks for its driver package: "KivoFunctionButton.inf"
// in the program's own folder.
#pragma once

#include <windows.h>

namespace kivodevinst {

// The INF path for a program path. False when the result does not fit in
// MAX_PATH characters: a path cut short by the bounded append could name
// another file, so it is never used.
bool InfPathForProgram(const wchar_t *programPath, wchar_t (&infPath)[MAX_PATH]);

// The INF path beside this program. False also when the program's own path
// cannot be had whole.
bool InfPathBesideProgram(wchar_t (&infPath)[MAX_PATH]);

} // namespace kivodevinst

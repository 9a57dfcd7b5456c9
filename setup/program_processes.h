// The running processes of one program file, in all sessions: a program is
// known by the full path of its image, so a program of the same name
// elsewhere does not count.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ProgramProcess {
    DWORD id = 0;
    DWORD session = 0;
    bool sessionKnown = false;
};

// The full, normalised form of a path ("..", "." and "/" resolved), or the
// path as given when it cannot be formed.
std::wstring FullPath(const std::wstring &path);

std::vector<ProgramProcess> ProgramProcesses(const std::wstring &fullProgramPath);

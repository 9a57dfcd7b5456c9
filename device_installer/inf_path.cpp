#include "inf_path.h"

#include <shlwapi.h>
#include <strsafe.h>

namespace kivodevinst {

namespace {

constexpr wchar_t kInfName[] = L"\\KivoFunctionButton.inf";
// For a path from which no folder can be split off.
constexpr wchar_t kInfFallback[] = L".\\KivoFunctionButton.inf";

} // namespace

bool InfPathForProgram(const wchar_t *programPath, wchar_t (&infPath)[MAX_PATH])
{
    if (FAILED(StringCchCopyW(infPath, MAX_PATH, programPath)))
        return false;
    const wchar_t *tail = PathRemoveFileSpecW(infPath) ? kInfName : kInfFallback;
    return SUCCEEDED(StringCchCatW(infPath, MAX_PATH, tail));
}

bool InfPathBesideProgram(wchar_t (&infPath)[MAX_PATH])
{
    wchar_t programPath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, programPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false; // a cut program path names no folder of ours
    return InfPathForProgram(programPath, infPath);
}

} // namespace kivodevinst

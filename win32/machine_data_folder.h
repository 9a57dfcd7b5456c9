// The control library's folder for what belongs to the machine rather than
// to one user: "%ProgramData%\zerin\KivoFCtrl". It is outside every profile,
// so nothing in it roams, and every user of the machine may create, replace
// and remove files in it: its descriptor is its own (not inherited from
// ProgramData, where a file one user creates is read-only to the others)
// and is passed on to the files made in it.
//
// The library makes the folder when it is missing; the setup makes it too,
// and sets the descriptor again on a folder that was there already, so a
// folder another user made first with other rights does not stand.
#pragma once

#include <windows.h>

#include <aclapi.h>
#include <shlobj.h>
#include <strsafe.h>

#include "win32/local_descriptor.h"

namespace machine_data {

// SYSTEM and administrators: full control. Authenticated users: modify
// (read, write, create and delete files), without the right to change the
// descriptor. Protected: nothing inherited from above.
inline constexpr wchar_t kFolderDescriptor[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)";

inline constexpr wchar_t kVendorFolder[] = L"\\zerin";
inline constexpr wchar_t kLibraryFolder[] = L"\\KivoFCtrl";

// The folder's path (MAX_PATH characters); false, with the buffer empty,
// when ProgramData cannot be resolved or the path does not fit.
inline bool FolderPath(wchar_t *path) noexcept
{
    path[0] = L'\0';
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) ||
        FAILED(StringCchCatW(path, MAX_PATH, kVendorFolder)) ||
        FAILED(StringCchCatW(path, MAX_PATH, kLibraryFolder))) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

// Makes the folder (and "zerin" above it, with ProgramData's own rights)
// when missing. With repair, a folder that exists gets the descriptor (and
// administrators as its owner) again; that needs an administrator. False,
// with the last error set, when the folder is not there afterwards or could
// not be repaired.
inline bool MakeFolder(const wchar_t *path, bool repair) noexcept
{
    wchar_t parent[MAX_PATH];
    if (FAILED(StringCchCopyW(parent, MAX_PATH, path)))
        return false;
    if (wchar_t *last = wcsrchr(parent, L'\\'))
        *last = L'\0';
    if (!CreateDirectoryW(parent, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;

    const LocalDescriptor descriptor(kFolderDescriptor);
    if (descriptor.get() == nullptr)
        return false;
    SECURITY_ATTRIBUTES attributes = descriptor.attributes();
    if (CreateDirectoryW(path, &attributes))
        return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (!repair)
        return true;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted))
        return false;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size))
        return false;
    const DWORD error = SetNamedSecurityInfoW(
        const_cast<wchar_t *>(path), SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        administrators, nullptr, dacl, nullptr);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

} // namespace machine_data

// What a process's token says of its UI access and integrity, as the stand-in
// that stands for a started program logs it and a test expects it:
// "uiaccess <0|1> integrity 0x<rid>" (0x2000 medium, 0x3000 high), -1 for a
// value that cannot be read.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace standin {

inline std::string TokenFacts(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return "uiaccess -1 integrity -1";
    DWORD uiAccess = 0;
    DWORD length = 0;
    const bool uiKnown = GetTokenInformation(token, TokenUIAccess, &uiAccess, sizeof(uiAccess), &length);
    alignas(TOKEN_MANDATORY_LABEL) BYTE label[64] = {};
    char integrity[16] = "-1";
    if (GetTokenInformation(token, TokenIntegrityLevel, label, sizeof(label), &length)) {
        const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL *>(label)->Label.Sid;
        const DWORD rid = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
        std::snprintf(integrity, sizeof(integrity), "0x%lx", rid);
    }
    CloseHandle(token);
    return std::string("uiaccess ") + (uiKnown ? (uiAccess != 0 ? "1" : "0") : "-1") + " integrity " + integrity;
}

} // namespace standin

// KivoSetupHelper: what the setup package does for the users of the
// machine, beyond its files: closing the tray program in every session
// before the files are replaced, letting go of the close signal once they
// are, starting the program again for those users, and making the folder
// all their control libraries share.
//
//   KivoSetupHelper close <program> <seconds> <sessions file> <setup pid>
//       0 no process of the program runs any more, 1 some still run
//   KivoSetupHelper reset
//       0 the signal is reset (or there is none), 1 it could not be
//   KivoSetupHelper start <program> <sessions file> [own]
//       0 started in every session, 1 some sessions get it at next logon.
//       In this process's own session the desktop shell starts it (the
//       route that gives it its UI access); when the shell cannot, the line
//       says so with the HRESULT, then the shell's token is tried, which
//       Windows refuses with 740 for a manifest asking for UI access: the
//       line gives that error and the exit code is 1.
//   KivoSetupHelper share
//       0 the control library's machine folder is there with the rights
//       every user needs (made, or given them again), 1 it is not
//
// Exit code 2 for a usage error. Every step is said on standard output,
// which the setup writes to its log.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "close_hosts.h"
#include "close_signal.h"
#include "start_hosts.h"
#include "win32/machine_data_folder.h"

namespace {

bool Number(const wchar_t *text, DWORD &value) noexcept
{
    wchar_t *end = nullptr;
    const unsigned long number = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0')
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

// A folder a user made first, with rights of that user's choosing, is given
// the folder's own rights again: the setup runs as an administrator.
int ShareMachineFolder()
{
    wchar_t folder[MAX_PATH];
    if (!machine_data::FolderPath(folder)) {
        std::printf("The control library's machine folder could not be resolved\n");
        return 1;
    }
    if (!machine_data::MakeFolder(folder, true)) {
        std::printf("The control library's machine folder %ls could not be made or given its rights: error %lu\n",
                    folder, GetLastError());
        return 1;
    }
    std::printf("The control library's machine folder %ls is ready for every user\n", folder);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return 2;
    const std::wstring verb = argv[1];
    DWORD seconds = 0;
    DWORD setupProcess = 0;
    if (verb == L"close" && argc == 6 && Number(argv[3], seconds) && Number(argv[5], setupProcess))
        return CloseHosts(argv[2], seconds, argv[4], setupProcess);
    if (verb == L"reset" && argc == 2)
        return ResetCloseSignal() ? 0 : 1;
    if (verb == L"share" && argc == 2)
        return ShareMachineFolder();
    if (verb == L"start" && (argc == 4 || (argc == 5 && std::wstring(argv[4]) == L"own")))
        return StartHosts(argv[2], argv[3], argc == 5);
    return 2;
}

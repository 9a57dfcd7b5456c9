// kvf_client: a second process that uses the control library, for the tests.
// Runs its arguments as commands, in order, and prints one line for each:
//
//   open | close                      KVFOpen / KVFClose       -> "open <result>"
//   register                          KVFSetCallbackFunc       -> "register <result>"
//   getusb | getbattery               charge getters           -> "getusb <result>"
//   setusb=<n> | setbattery=<n>       charge setters           -> "setusb <result>"
//   startonce | endonce | followonce | getonce
//                                     the one-time full charge -> "startonce <result>"
//   churn=<n>                         n times start and end of the one-time full
//                                     charge; fails when any call fails
//   usbchurn=<n>                      n times KVFSetUSBChargeStat, 1 and 0 in
//                                     turn, whatever each gives
//   signal=<event> | wait=<event>     set / wait for a named event (at most 60 s)
//
// A result of -1 is followed by the last error: "setusb -1 error 6".
// Every report that reaches the callback prints "callback <report>".
// Exit code 0, or 2 for an unknown command or a wait that ran out.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "KivoFCtrl.h"

namespace {

void Callback(uint32_t report)
{
    wprintf(L"callback %u\n", report);
    fflush(stdout);
}

void Print(const wchar_t *command, int32_t result)
{
    const DWORD error = GetLastError();
    if (result == -1)
        wprintf(L"%ls %d error %lu\n", command, result, error);
    else
        wprintf(L"%ls %d\n", command, result);
    fflush(stdout);
}

bool Run(const std::wstring &command)
{
    const size_t equals = command.find(L'=');
    const std::wstring verb = command.substr(0, equals);
    const std::wstring argument = equals == std::wstring::npos ? L"" : command.substr(equals + 1);
    if (verb == L"open")
        Print(L"open", KVFOpen());
    else if (verb == L"close")
        Print(L"close", KVFClose());
    else if (verb == L"register")
        Print(L"register", KVFSetCallbackFunc(Callback));
    else if (verb == L"getusb")
        Print(L"getusb", KVFGetUSBChargeStat());
    else if (verb == L"getbattery")
        Print(L"getbattery", KVFGetButteryChargeLimitStat());
    else if (verb == L"setusb")
        Print(L"setusb", KVFSetUSBChargeStat(wcstoul(argument.c_str(), nullptr, 0)));
    else if (verb == L"setbattery")
        Print(L"setbattery", KVFSetButteryChargeLimitStat(wcstoul(argument.c_str(), nullptr, 0)));
    else if (verb == L"startonce")
        Print(L"startonce", KVFStartFullChargeOnce());
    else if (verb == L"endonce")
        Print(L"endonce", KVFEndFullChargeOnce());
    else if (verb == L"followonce")
        Print(L"followonce", KVFFollowFullChargeOnce());
    else if (verb == L"getonce")
        Print(L"getonce", KVFGetFullChargeOnceStat());
    else if (verb == L"churn") {
        for (unsigned long i = wcstoul(argument.c_str(), nullptr, 0); i > 0; --i) {
            if (KVFStartFullChargeOnce() != 0 || KVFEndFullChargeOnce() != 0)
                return false;
        }
    } else if (verb == L"usbchurn") {
        for (unsigned long i = wcstoul(argument.c_str(), nullptr, 0); i > 0; --i)
            KVFSetUSBChargeStat(i % 2);
    } else if (verb == L"signal" || verb == L"wait") {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, argument.c_str());
        if (event == nullptr)
            return false;
        bool ok = true;
        if (verb == L"signal")
            SetEvent(event);
        else
            ok = WaitForSingleObject(event, 60000) == WAIT_OBJECT_0;
        CloseHandle(event);
        return ok;
    } else {
        return false;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!Run(argv[i])) {
            fwprintf(stderr, L"kvf_client: %ls failed\n", argv[i]);
            return 2;
        }
    }
    return 0;
}

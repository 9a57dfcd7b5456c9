#include "close_signal.h"

#include "win32/local_descriptor.h"

namespace {

constexpr wchar_t kName[] = L"Global\\KivoFunctionButtonClose";
constexpr DWORD kSetAndWait = EVENT_MODIFY_STATE | SYNCHRONIZE;

// The same descriptor a tray program gives the signal when it comes first:
// SYSTEM and administrators may do everything, authenticated users only
// wait, and so does the user whose program made it (Owner Rights: no
// implicit right to change the descriptor and then set the signal).
constexpr wchar_t kDescriptor[] = L"D:(A;;0x1f0003;;;SY)(A;;0x1f0003;;;BA)(A;;0x00100000;;;AU)(A;;0x00100000;;;OW)";

} // namespace

UniqueHandle OpenCloseSignal() noexcept
{
    UniqueHandle signal(OpenEventW(kSetAndWait, FALSE, kName));
    if (signal || GetLastError() != ERROR_FILE_NOT_FOUND)
        return signal;
    const LocalDescriptor descriptor(kDescriptor);
    if (descriptor.get() == nullptr)
        return signal;
    SECURITY_ATTRIBUTES attributes = descriptor.attributes();
    signal.reset(CreateEventExW(&attributes, kName, CREATE_EVENT_MANUAL_RESET, kSetAndWait));
    return signal;
}

bool ResetCloseSignal() noexcept
{
    const UniqueHandle signal(OpenEventW(EVENT_MODIFY_STATE, FALSE, kName));
    if (!signal)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    return ResetEvent(signal.get()) != FALSE;
}

bool HandCloseSignalTo(HANDLE signal, DWORD processId) noexcept
{
    const UniqueHandle process(OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId));
    HANDLE copy = nullptr;
    return process &&
           DuplicateHandle(GetCurrentProcess(), signal, process.get(), &copy, SYNCHRONIZE, FALSE, 0) != FALSE;
}

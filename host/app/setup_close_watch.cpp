#include "app/setup_close_watch.h"

#include "win32/local_descriptor.h"

namespace {

constexpr wchar_t kName[] = L"Global\\KivoFunctionButtonClose";

// Copies of every user open the same event: SYSTEM and administrators may
// do everything (the setup sets it), authenticated users may only wait, and
// so may the user whose copy made it (Owner Rights: no implicit right to
// change the descriptor and then set the event).
constexpr wchar_t kDescriptor[] = L"D:(A;;0x1f0003;;;SY)(A;;0x1f0003;;;BA)(A;;0x00100000;;;AU)(A;;0x00100000;;;OW)";

HANDLE CreateShared() noexcept
{
    const LocalDescriptor descriptor(kDescriptor);
    if (descriptor.get() == nullptr)
        return nullptr;
    SECURITY_ATTRIBUTES attributes = descriptor.attributes();
    return CreateEventExW(&attributes, kName, CREATE_EVENT_MANUAL_RESET, SYNCHRONIZE);
}

} // namespace

bool CSetupCloseWatch::Start(HWND window) noexcept
{
    Stop();
    m_hEvent.reset(OpenEventW(SYNCHRONIZE, FALSE, kName));
    if (!m_hEvent && GetLastError() == ERROR_FILE_NOT_FOUND) {
        m_hEvent.reset(CreateShared());
        // Another user's copy made it between the two calls.
        if (!m_hEvent && GetLastError() == ERROR_ACCESS_DENIED)
            m_hEvent.reset(OpenEventW(SYNCHRONIZE, FALSE, kName));
    }
    if (!m_hEvent)
        return false;
    if (!RegisterWaitForSingleObject(&m_hWait, m_hEvent.get(), &Signalled, window, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        m_hWait = nullptr;
        m_hEvent.reset();
        return false;
    }
    return true;
}

void CSetupCloseWatch::Stop() noexcept
{
    if (m_hWait != nullptr) {
        UnregisterWaitEx(m_hWait, INVALID_HANDLE_VALUE);
        m_hWait = nullptr;
    }
    m_hEvent.reset();
}

void CALLBACK CSetupCloseWatch::Signalled(PVOID window, BOOLEAN timedOut)
{
    if (!timedOut)
        PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}

#include "platform/user_process_start.h"

#include <vector>

#include "win32/unique_handle.h"

namespace {

UserProcessStart::FactsSource factsSource = nullptr;

bool HostHasUiAccess() noexcept
{
    UniqueHandle token;
    DWORD uiAccess = 1;
    DWORD length = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !GetTokenInformation(token.get(), TokenUIAccess, &uiAccess, sizeof(uiAccess), &length))
        return true;
    return uiAccess != 0;
}

class AttributeList {
public:
    AttributeList() noexcept
    {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        if (size != 0 && InitializeProcThreadAttributeList(get(), 1, 0, &size))
            initialised_ = true;
    }
    ~AttributeList()
    {
        if (initialised_)
            DeleteProcThreadAttributeList(get());
    }
    AttributeList(const AttributeList &) = delete;
    AttributeList &operator=(const AttributeList &) = delete;
    bool ok() const noexcept { return initialised_; }
    LPPROC_THREAD_ATTRIBUTE_LIST get() noexcept
    {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    }

private:
    std::vector<BYTE> buffer_;
    bool initialised_ = false;
};

BOOL StartUnder(DWORD parentId, WCHAR *command, const STARTUPINFOW &startup, PROCESS_INFORMATION *info) noexcept
{
    const UniqueHandle parent(OpenProcess(PROCESS_CREATE_PROCESS, FALSE, parentId));
    if (!parent)
        return FALSE;
    AttributeList attributes;
    HANDLE parentHandle = parent.get();
    if (!attributes.ok() || !UpdateProcThreadAttribute(attributes.get(), 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS,
                                                       &parentHandle, sizeof(parentHandle), nullptr, nullptr))
        return FALSE;
    STARTUPINFOEXW extended{};
    extended.StartupInfo = startup;
    extended.StartupInfo.cb = sizeof(extended);
    extended.lpAttributeList = attributes.get();
    return CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          nullptr, &extended.StartupInfo, info);
}

StartFacts CurrentFacts() noexcept
{
    return factsSource != nullptr ? factsSource() : UserProcessStart::Observe();
}

} // namespace

StartFacts UserProcessStart::Observe() noexcept
{
    DWORD shell = 0;
    if (const HWND window = GetShellWindow())
        GetWindowThreadProcessId(window, &shell);
    return StartFacts{HostHasUiAccess(), shell};
}

StartRoute UserProcessStart::Choose(const StartFacts &facts) noexcept
{
    if (!facts.hostHasUiAccess)
        return StartRoute::Direct;
    return facts.shellProcessId != 0 ? StartRoute::UnderShell : StartRoute::Refused;
}

StartRoute UserProcessStart::Route() noexcept
{
    return Choose(CurrentFacts());
}

BOOL UserProcessStart::Start(WCHAR *command, const STARTUPINFOW &startup, PROCESS_INFORMATION *info) noexcept
{
    const StartFacts facts = CurrentFacts();
    switch (Choose(facts)) {
    case StartRoute::Direct: {
        STARTUPINFOW copy = startup;
        return CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &copy, info);
    }
    case StartRoute::UnderShell:
        return StartUnder(facts.shellProcessId, command, startup, info);
    case StartRoute::Refused:
        break;
    }
    SetLastError(kErrorNoShellToStartUnder);
    return FALSE;
}

void UserProcessStart::SetFactsSource(FactsSource source) noexcept
{
    factsSource = source;
}

#include "actions/executer.h"

#include "actions/key_input.h"
#include "actions/process_search.h"
#include "actions/process_start.h"
#include "settings/item.h"

namespace {

constexpr DWORD kPreEventCapture = 1;
constexpr int kCompanionPolls = 200;
constexpr DWORD kCompanionPollMs = 10;

// The companion is woken or started, then its window (without the
// Start-menu fallback) brought to the front once it shows up.
BOOL RunCompanion(WCHAR *command) noexcept
{
    const BOOL result = CheckTargetProcess(command);
    const DWORD error = GetLastError();
    for (int poll = 0; poll < kCompanionPolls; ++poll) {
        if (Search_process(szVelmoProc))
            break;
        Sleep(kCompanionPollMs);
    }
    SetLastError(error);
    return result;
}

} // namespace

BOOL executer(const _Param *p) noexcept
{
    if (p->dwPreEvent == kPreEventCapture) {
        keyPressAndRelease(VK_SNAPSHOT);
        // The action follows whether the capture arrived or the wait ran out.
        WaitSetClipboard();
    }
    // CreateProcessW may write into the command line; the record is the
    // caller's copy and stays as it is.
    _Param copy = *p;
    return execute(copy.dwPathInfo, copy.szCommand);
}

BOOL execute(DWORD kind, WCHAR *command) noexcept
{
    switch (kind) {
    case ITEM_KIND_PROGRAM_PATH:
    case ITEM_KIND_START_MENU_NAME:
    case ITEM_KIND_REGISTRY_PATH:
        return executeFullPath(command);
    case ITEM_KIND_WINDOW_SWITCHER:
        return executeAriveType(&gAltTab);
    case ITEM_KIND_DISPLAY_SWITCHER:
        return executeAriveType(&gSecondary);
    case ITEM_KIND_PEN_APPLICATION:
        return executeInkrun(command);
    case ITEM_KIND_COMPANION:
        return RunCompanion(command);
    default:
        return TRUE;
    }
}

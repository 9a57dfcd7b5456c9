#include "app/tool_tip.h"

#include "resource.h"

WCHAR TOOL_TIP[260] = {};

void LoadToolTip() noexcept
{
    LoadStringW(GetModuleHandleW(nullptr), IDS_TOOL_TIP, TOOL_TIP, ARRAYSIZE(TOOL_TIP));
}

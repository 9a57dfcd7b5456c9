#include "app/charge_tip.h"

#include <windows.h>

#include <strsafe.h>

#include "KivoFCtrl.h"
#include "framework/load_string.h"
#include "resource.h"

namespace {

// szTip of NOTIFYICONDATAW holds 128 characters with the terminator.
constexpr std::size_t kMostTipLength = 127;
// The library's battery limit values: 0 = 100 %, 1 = 80 %, 2 = 50 %.
constexpr int kPercent[] = {100, 80, 50};

void AddLine(std::wstring &tip, const std::wstring &line)
{
    if (line.empty() || tip.size() + 1 + line.size() > kMostTipLength)
        return;
    tip += L'\n';
    tip += line;
}

std::wstring LimitLine(int limit)
{
    if (limit < 0 || limit > 2)
        return {};
    // The text carries one %d, the percentage, and "%%" for the sign.
    const std::wstring format = LoadResourceString(IDS_CHARGE_LIMIT);
    wchar_t line[128] = {};
    if (format.empty() || FAILED(StringCchPrintfW(line, ARRAYSIZE(line), format.c_str(), kPercent[limit])))
        return {};
    return line;
}

} // namespace

std::wstring ChargeStateTip(const std::wstring &firstLine, bool sessionOpen)
{
    std::wstring tip = firstLine.substr(0, kMostTipLength);
    if (!sessionOpen)
        return tip;
    // While a full charge once runs, the controller is at 100 %: the limit
    // the user reads is the one that comes back.
    const int32_t back = KVFGetFullChargeOnceStat();
    AddLine(tip, LimitLine(back >= 0 ? back : KVFGetButteryChargeLimitStat()));
    if (back >= 0)
        AddLine(tip, LoadResourceString(IDS_TIP_FULL_CHARGE_ONCE));
    return tip;
}

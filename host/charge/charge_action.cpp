#include "charge/charge_action.h"

#include <cwchar>
#include <utility>

#include "KivoFCtrl.h"
#include "framework/load_string.h"
#include "resource.h"
#include "settings/item.h"

namespace {

// The library's battery limit values: 0 = 100 %, 1 = 80 %, 2 = 50 %.
constexpr int kPercent[] = {100, 80, 50};
constexpr int kLimitFull = 0;
// ERROR_ACCESS_DISABLED_BY_POLICY: the machine policy fixes the option.
constexpr DWORD kDisabledByPolicy = 1260;

int Percent(int limit) noexcept
{
    return limit >= 0 && limit <= 2 ? kPercent[limit] : 100;
}

std::wstring Format(UINT id, int percent)
{
    const std::wstring format = LoadResourceString(id);
    // The texts carry one %d, the percentage, and "%%" for the sign.
    wchar_t text[256] = {};
    _snwprintf(text, 255, format.c_str(), percent);
    return text;
}

std::wstring LimitBackText(int limit)
{
    return Format(IDS_CHARGE_LIMIT_BACK, Percent(limit));
}

ChargeOutcome Done(std::wstring text)
{
    return ChargeOutcome{true, std::move(text)};
}

// A second press while the full charge runs ends it.
ChargeOutcome ToggleFullChargeOnce()
{
    const int32_t back = KVFGetFullChargeOnceStat();
    if (back >= 0) {
        if (KVFEndFullChargeOnce() != 0)
            return {};
        return Done(LimitBackText(back));
    }
    if (KVFStartFullChargeOnce() != 0)
        return {};
    const int32_t started = KVFGetFullChargeOnceStat();
    if (started < 0) // the limit is 100 % already
        return Done(Format(IDS_CHARGE_LIMIT, 100));
    return Done(Format(IDS_CHARGE_ONCE, Percent(started)));
}

// 100 -> 80 -> 50 -> 100 %, from the limit the user chose (during a full
// charge once: the one that would come back). Setting it ends the full
// charge.
ChargeOutcome NextBatteryLimit()
{
    int32_t limit = KVFGetFullChargeOnceStat();
    if (limit < 0)
        limit = KVFGetButteryChargeLimitStat();
    if (limit == -1)
        return {};
    const int next = limit >= 0 && limit < 2 ? limit + 1 : kLimitFull;
    if (KVFSetButteryChargeLimitStat(static_cast<uint32_t>(next)) != 0)
        return {};
    return Done(Format(IDS_CHARGE_LIMIT, Percent(next)));
}

ChargeOutcome ToggleUsbCharge()
{
    const int32_t now = KVFGetUSBChargeStat();
    if (now == -1)
        return {};
    const uint32_t next = now == 1 ? 0 : 1;
    if (KVFSetUSBChargeStat(next) != 0)
        return {};
    return Done(LoadResourceString(next == 1 ? IDS_USB_CHARGE_ON : IDS_USB_CHARGE_OFF));
}

} // namespace

ChargeOutcome RunChargeAction(int kind)
{
    SetLastError(ERROR_SUCCESS);
    ChargeOutcome outcome;
    switch (kind) {
    case ITEM_KIND_FULL_CHARGE_ONCE:
        outcome = ToggleFullChargeOnce();
        break;
    case ITEM_KIND_NEXT_BATTERY_LIMIT:
        outcome = NextBatteryLimit();
        break;
    case ITEM_KIND_USB_CHARGE:
        outcome = ToggleUsbCharge();
        break;
    default:
        break;
    }
    // What the organization fixed is no failure: the balloon says so.
    if (!outcome.done && GetLastError() == kDisabledByPolicy)
        return Done(LoadResourceString(IDS_CHARGE_BY_POLICY));
    return outcome;
}

std::wstring FollowFullChargeOnce()
{
    const int32_t back = KVFGetFullChargeOnceStat();
    if (back < 0 || KVFFollowFullChargeOnce() != 1)
        return {};
    return LimitBackText(back);
}


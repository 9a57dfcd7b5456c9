// KivoChargeCtl: the two charge options of the embedded controller from the
// command line, through the control library.
//
//   KivoChargeCtl status              battery limit and USB charging while off
//   KivoChargeCtl battery 100|80|50   sets the battery charge limit
//   KivoChargeCtl battery full-once [end]
//                                     charges to 100 % once, or ends that now
//   KivoChargeCtl usb on|off          sets USB charging while off
//   KivoChargeCtl --help
//
// Exit codes: 0 done, 1 bad arguments (usage on standard error; nothing is
// opened or written), 2 the driver is not available, 3 the driver refused
// the value, 4 the machine policy fixes the option (set by the user's
// organization; nothing changed), 5 (status only) the controller refused a
// value the machine policy fixes when the session opened: the options are
// shown all the same, and every command says so on standard error (the next
// start tries the value again), 6 the controller or another program's
// request did not answer in time (a change may still take effect). The
// driver session is always closed again before the end.
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

#include "KivoFCtrl.h"
#include "command_line.h"
#include "console_text.h"
#include "resource.h"

namespace {

constexpr int kDone = 0;
constexpr int kBadArguments = 1;
constexpr int kNoDriver = 2;
constexpr int kRefused = 3;
constexpr int kByPolicy = 4;
constexpr int kPolicyRefused = 5;
constexpr int kTimedOut = 6;
// ERROR_ACCESS_DISABLED_BY_POLICY, as the library reports a fixed option.
constexpr DWORD kDisabledByPolicy = 1260;
// ERROR_TIMEOUT: a call that waited its bound for the driver.
constexpr DWORD kTimeout = 1460;

// One session with the driver, closed whatever happens (an open that failed
// may still have left the device open).
class ChargeSession {
public:
    ChargeSession() : opened_(KVFOpen() == 0), error_(opened_ ? ERROR_SUCCESS : GetLastError()) {}
    ~ChargeSession() { KVFClose(); }
    ChargeSession(const ChargeSession &) = delete;
    ChargeSession &operator=(const ChargeSession &) = delete;
    bool opened() const { return opened_; }
    DWORD error() const { return error_; }

private:
    bool opened_;
    DWORD error_;
};

std::wstring Format(UINT id, int value)
{
    wchar_t line[256] = {};
    _snwprintf(line, 255, chargectl::Text(id).c_str(), value);
    return line;
}

std::wstring BatteryLine(int32_t value)
{
    static const int kPercent[] = {100, 80, 50};
    if (value >= 0 && value <= 2)
        return Format(IDS_BATTERY_LIMIT, kPercent[value]);
    return Format(IDS_BATTERY_UNKNOWN, value);
}

// While a one-time full charge runs, the limit that comes back is shown
// with it; else the limit as the getter reports it.
std::wstring BatteryLine(int32_t value, int32_t comesBack)
{
    static const int kPercent[] = {100, 80, 50};
    if (comesBack >= 0 && comesBack <= 2)
        return Format(IDS_BATTERY_ONCE, kPercent[comesBack]);
    return BatteryLine(value);
}

std::wstring UsbLine(int32_t value)
{
    if (value == 0)
        return chargectl::Text(IDS_USB_OFF);
    if (value == 1)
        return chargectl::Text(IDS_USB_ON);
    return Format(IDS_USB_UNKNOWN, value);
}

void Out(const std::wstring &line)
{
    chargectl::WriteLine(STD_OUTPUT_HANDLE, line);
}

void Err(const std::wstring &line)
{
    chargectl::WriteLine(STD_ERROR_HANDLE, line);
}

int TimedOut()
{
    Err(chargectl::Text(IDS_TIMED_OUT));
    return kTimedOut;
}

// A change the library did not make: fixed by the machine policy, not
// answered in time, or refused by the driver.
int NotChanged()
{
    const DWORD error = GetLastError();
    if (error == kDisabledByPolicy) {
        Err(chargectl::Text(IDS_BY_POLICY));
        return kByPolicy;
    }
    if (error == kTimeout)
        return TimedOut();
    Err(chargectl::Text(IDS_REFUSED));
    return kRefused;
}

// An option the machine policy fixes says so on its line.
std::wstring Fixed(std::wstring line, int32_t policy, int32_t flag)
{
    if ((policy & flag) != 0)
        line += chargectl::Text(IDS_BY_POLICY_SUFFIX);
    return line;
}

// Runs what a command does with one driver session, open throughout, or
// says that the driver is not available.
template <class Body>
int WithSession(Body body)
{
    const ChargeSession session;
    if (!session.opened()) {
        if (session.error() == kTimeout)
            return TimedOut();
        Err(chargectl::Text(IDS_NO_DRIVER));
        return kNoDriver;
    }
    if ((KVFGetChargePolicy() & KVF_POLICY_REFUSED) != 0)
        Err(chargectl::Text(IDS_POLICY_REFUSED));
    return body();
}

int ShowStatus()
{
    return WithSession([] {
        const int32_t battery = KVFGetButteryChargeLimitStat();
        const DWORD batteryError = GetLastError();
        const int32_t usb = battery == -1 ? -1 : KVFGetUSBChargeStat();
        if (battery == -1 || usb == -1) {
            if ((battery == -1 ? batteryError : GetLastError()) == kTimeout)
                return TimedOut();
            Err(chargectl::Text(IDS_NOT_READ));
            return kNoDriver;
        }
        const int32_t policy = KVFGetChargePolicy();
        Out(Fixed(BatteryLine(battery, KVFGetFullChargeOnceStat()), policy, KVF_POLICY_BATTERY_LIMIT));
        Out(Fixed(UsbLine(usb), policy, KVF_POLICY_USB_CHARGE));
        return (policy & KVF_POLICY_REFUSED) != 0 ? kPolicyRefused : kDone;
    });
}

int StartFullChargeOnce()
{
    return WithSession([] {
        if (KVFStartFullChargeOnce() != 0)
            return NotChanged();
        // Nothing recorded when the limit was 100 % already.
        Out(BatteryLine(0, KVFGetFullChargeOnceStat()));
        return kDone;
    });
}

int EndFullChargeOnce()
{
    return WithSession([] {
        if (KVFEndFullChargeOnce() != 0)
            return NotChanged();
        // The limit that is now back (or, when none ran, the one that stood all
        // along), read after the end, so another process's change meanwhile
        // cannot make the line stale.
        const int32_t battery = KVFGetButteryChargeLimitStat();
        if (battery == -1) {
            if (GetLastError() == kTimeout)
                return TimedOut();
            Err(chargectl::Text(IDS_NOT_READ));
            return kNoDriver;
        }
        Out(BatteryLine(battery));
        return kDone;
    });
}

int SetOption(chargectl::Action action, uint32_t value)
{
    return WithSession([&] {
        const bool battery = action == chargectl::Action::SetBattery;
        const int32_t result = battery ? KVFSetButteryChargeLimitStat(value) : KVFSetUSBChargeStat(value);
        if (result != 0)
            return NotChanged();
        Out(battery ? BatteryLine(static_cast<int32_t>(value)) : UsbLine(static_cast<int32_t>(value)));
        return kDone;
    });
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const chargectl::Command command = chargectl::ParseCommandLine(argc - 1, argv + 1);
    switch (command.action) {
    case chargectl::Action::Help:
        Out(chargectl::Text(IDS_USAGE));
        return kDone;
    case chargectl::Action::Status:
        return ShowStatus();
    case chargectl::Action::StartFullChargeOnce:
        return StartFullChargeOnce();
    case chargectl::Action::EndFullChargeOnce:
        return EndFullChargeOnce();
    case chargectl::Action::SetBattery:
    case chargectl::Action::SetUsb:
        return SetOption(command.action, command.value);
    case chargectl::Action::Invalid:
        break;
    }
    Err(chargectl::Text(IDS_BAD_ARGUMENTS));
    Err(chargectl::Text(IDS_USAGE));
    return kBadArguments;
}

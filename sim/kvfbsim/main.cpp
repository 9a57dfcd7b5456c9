// kvfbsim: console front end of the simulated function button driver.
//
// Control panel (\\.\KVFBSIM):
//   press A|B, release A|B       inject the button report of that change
//   report <n>                   inject a raw report (decimal or 0x hex)
//   ec                           show the embedded controller's values
//   ec set usb|battery <n>       set one EC value as given (no range test)
//   fail charge <n>              next charge request answers dwStatus <n>
//   fail charge ntstatus <n>     next charge request fails with NTSTATUS <n>
//   fail button <n>              next (or pending) button request fails
//                                with NTSTATUS <n>
//   fail clear                   disarm all failures
//   mode pending|atonce          how button requests complete
//   mode charge atonce           charge requests complete at once (default)
//   mode charge pending [ms]     charge requests pend ms milliseconds each
//                                (default 5) before they are carried out
//   status                       counters, mode, queue and charge log
//   reset                        counters, queue, failures and both modes
//                                reset
// Driver interface (\\.\KVFB), as a bare client:
//   wait [ms]                    issue one button request, print its report
//   charge get usb|battery       read an option through the charge request
//   charge set usb|battery <n>   set an option through the charge request
//
// Exit code 0 on success, 1 when a request fails, 2 for a usage error.
#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string_view>

#include "panel.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

std::optional<uint32_t> ParseNumber(const wchar_t *text)
{
    if (text == nullptr || *text == L'\0')
        return std::nullopt;
    wchar_t *end = nullptr;
    errno = 0;
    const unsigned long long value = wcstoull(text, &end, 0);
    if (errno != 0 || *end != L'\0' || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

int Usage()
{
    fwprintf(stderr,
             L"usage: kvfbsim press|release A|B | report <n> | ec [set usb|battery <n>]\n"
             L"       | fail charge [ntstatus] <n> | fail button <n> | fail clear\n"
             L"       | mode pending|atonce | mode charge atonce|pending [ms]\n"
             L"       | status | reset | wait [ms]\n"
             L"       | charge get usb|battery | charge set usb|battery <n>\n");
    return kUsage;
}

int Failed(const wchar_t *what)
{
    fwprintf(stderr, L"kvfbsim: %ls failed (error %lu)\n", what, GetLastError());
    return kFailed;
}

bool OpenPanel(kvfbsim::Panel &panel)
{
    if (panel.open())
        return true;
    Failed(L"opening " KVFBSIM_DEVICE_PATH);
    return false;
}

std::optional<bool> ParseButton(std::wstring_view name)
{
    if (name == L"A" || name == L"a")
        return false;
    if (name == L"B" || name == L"b")
        return true;
    return std::nullopt;
}

int PrintStatus(kvfbsim::Panel &panel)
{
    KVFBSIM_STATUS s{};
    if (!panel.getStatus(s))
        return Failed(L"reading the status");
    wprintf(L"mode              %ls\n", s.Mode == KVFBSIM_MODE_PENDING ? L"pending" : L"atonce");
    if (s.ChargeDelay == 0)
        wprintf(L"charge mode       atonce\n");
    else
        wprintf(L"charge mode       pending %lu ms\n", s.ChargeDelay);
    wprintf(L"opens / closes    %lu / %lu (open handles %lu)\n", s.Opens, s.Closes, s.OpenHandles);
    wprintf(L"button requests   %lu (pending %lu, completed %lu, cancelled %lu (on close %lu), "
            L"failed %lu)\n",
            s.ButtonRequests, s.PendingNow, s.ButtonCompleted, s.ButtonCancelled,
            s.ButtonCancelledOnClose, s.ButtonFailed);
    wprintf(L"reports           injected %lu, queued %lu, dropped %lu\n", s.ReportsInjected,
            s.ReportsQueued, s.ReportsDropped);
    wprintf(L"charge requests   %lu (pending %lu, failed %lu, cancelled %lu), "
            L"unknown requests %lu\n",
            s.ChargeRequests, s.ChargePendingNow, s.ChargeFailed, s.ChargeCancelled,
            s.UnknownRequests);
    wprintf(L"ec                usb %lu, battery %lu\n", s.Ec.UsbCharge, s.Ec.BatteryLimit);
    for (unsigned long i = 0; i < s.ChargeLogCount; ++i) {
        const KVFB_CHARGE_RECORD &r = s.ChargeLog[i];
        wprintf(L"charge log        command %lu value %lu status %lu\n", r.dwCommand, r.dwValue,
                r.dwStatus);
    }
    return kOk;
}

UniqueHandle OpenButtonDevice()
{
    return UniqueHandle(CreateFileW(KVFB_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
}

int WaitReport(DWORD timeoutMs)
{
    UniqueHandle device = OpenButtonDevice();
    if (!device)
        return Failed(L"opening " KVFB_DEVICE_PATH);
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return Failed(L"CreateEventW");
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD report = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(device.get(), KVFB_IOCTL_WAIT_BUTTON_EVENT, nullptr, 0, &report,
                         sizeof(report), &returned, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING)
            return Failed(L"the button request");
        if (WaitForSingleObject(event.get(), timeoutMs) != WAIT_OBJECT_0) {
            CancelIoEx(device.get(), &overlapped);
            GetOverlappedResult(device.get(), &overlapped, &returned, TRUE);
            fwprintf(stderr, L"kvfbsim: no report within %lu ms\n", timeoutMs);
            return kFailed;
        }
        if (!GetOverlappedResult(device.get(), &overlapped, &returned, FALSE))
            return Failed(L"the button request");
    }
    wprintf(L"report 0x%lx (button %lc, state %lu)\n", report, (report & 2u) ? L'B' : L'A',
            report & 1u);
    return kOk;
}

int Charge(bool set, std::wstring_view option, const wchar_t *valueText)
{
    unsigned long command;
    if (option == L"usb")
        command = set ? KVFB_CMD_SET_USB_CHARGE : KVFB_CMD_GET_USB_CHARGE;
    else if (option == L"battery")
        command = set ? KVFB_CMD_SET_BATTERY_LIMIT : KVFB_CMD_GET_BATTERY_LIMIT;
    else
        return Usage();
    KVFB_CHARGE_RECORD record{command, 0, 0};
    if (set) {
        const auto value = ParseNumber(valueText);
        if (!value)
            return Usage();
        record.dwValue = *value;
    }
    UniqueHandle device = OpenButtonDevice();
    if (!device)
        return Failed(L"opening " KVFB_DEVICE_PATH);
    // The driver may pend the request: on an overlapped handle it then
    // needs an OVERLAPPED record of its own to be waited for.
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD returned = 0;
    if (!DeviceIoControl(device.get(), KVFB_IOCTL_CHARGE_REQUEST, &record, sizeof(record), &record,
                         sizeof(record), &returned, &overlapped) &&
        !(GetLastError() == ERROR_IO_PENDING &&
          GetOverlappedResult(device.get(), &overlapped, &returned, TRUE)))
        return Failed(L"the charge request");
    if (record.dwStatus != 0) {
        wprintf(L"driver status %lu\n", record.dwStatus);
        return kFailed;
    }
    if (set)
        wprintf(L"%ls set to %lu\n", option.data(), record.dwValue);
    else
        wprintf(L"%ls %lu\n", option.data(), record.dwValue);
    return kOk;
}

int Fail(kvfbsim::Panel &panel, int argc, wchar_t **argv)
{
    const std::wstring_view target = argv[2];
    if (target == L"clear" && argc == 3)
        return panel.clearFailures() ? kOk : Failed(L"clearing the failures");
    if (target == L"charge" && argc == 4) {
        const auto value = ParseNumber(argv[3]);
        if (!value)
            return Usage();
        return panel.failCharge(KVFBSIM_FAIL_DW_STATUS, *value) ? kOk : Failed(L"arming");
    }
    if (target == L"charge" && argc == 5 && std::wstring_view(argv[3]) == L"ntstatus") {
        const auto value = ParseNumber(argv[4]);
        if (!value)
            return Usage();
        return panel.failCharge(KVFBSIM_FAIL_NTSTATUS, *value) ? kOk : Failed(L"arming");
    }
    if (target == L"button" && argc == 4) {
        const auto value = ParseNumber(argv[3]);
        if (!value)
            return Usage();
        return panel.failButton(*value) ? kOk : Failed(L"arming");
    }
    return Usage();
}

int ChargeMode(kvfbsim::Panel &panel, int argc, wchar_t **argv)
{
    const std::wstring_view mode = argv[3];
    std::optional<uint32_t> delay;
    if (mode == L"atonce" && argc == 4)
        delay = 0;
    else if (mode == L"pending" && argc == 4)
        delay = KVFBSIM_CHARGE_DELAY_DEFAULT;
    else if (mode == L"pending" && argc == 5)
        delay = ParseNumber(argv[4]);
    if (!delay || (mode == L"pending" && (*delay == 0 || *delay > KVFBSIM_CHARGE_DELAY_MAX)))
        return Usage();
    if (!OpenPanel(panel))
        return kFailed;
    return panel.setChargeDelay(*delay) ? kOk : Failed(L"setting the charge mode");
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring_view verb = argv[1];

    if (verb == L"wait") {
        if (argc > 3)
            return Usage();
        const auto timeout = argc == 3 ? ParseNumber(argv[2]) : std::optional<uint32_t>(10000);
        return timeout ? WaitReport(*timeout) : Usage();
    }
    if (verb == L"charge") {
        if (argc == 4 && std::wstring_view(argv[2]) == L"get")
            return Charge(false, argv[3], nullptr);
        if (argc == 5 && std::wstring_view(argv[2]) == L"set")
            return Charge(true, argv[3], argv[4]);
        return Usage();
    }

    kvfbsim::Panel panel;
    if ((verb == L"press" || verb == L"release") && argc == 3) {
        const auto button = ParseButton(argv[2]);
        if (!button)
            return Usage();
        if (!OpenPanel(panel))
            return kFailed;
        return panel.injectReport(kvfbsim::ButtonReport(*button, verb == L"press"))
                   ? kOk
                   : Failed(L"injecting the report");
    }
    if (verb == L"report" && argc == 3) {
        const auto report = ParseNumber(argv[2]);
        if (!report)
            return Usage();
        if (!OpenPanel(panel))
            return kFailed;
        return panel.injectReport(*report) ? kOk : Failed(L"injecting the report");
    }
    if (verb == L"ec" && argc == 2) {
        KVFBSIM_STATUS s{};
        if (!OpenPanel(panel))
            return kFailed;
        if (!panel.getStatus(s))
            return Failed(L"reading the status");
        wprintf(L"usb %lu\nbattery %lu\n", s.Ec.UsbCharge, s.Ec.BatteryLimit);
        return kOk;
    }
    if (verb == L"ec" && argc == 5 && std::wstring_view(argv[2]) == L"set") {
        const std::wstring_view option = argv[3];
        const auto value = ParseNumber(argv[4]);
        if (!value || (option != L"usb" && option != L"battery"))
            return Usage();
        KVFBSIM_STATUS s{};
        if (!OpenPanel(panel))
            return kFailed;
        if (!panel.getStatus(s))
            return Failed(L"reading the status");
        const uint32_t usb = option == L"usb" ? *value : s.Ec.UsbCharge;
        const uint32_t battery = option == L"battery" ? *value : s.Ec.BatteryLimit;
        return panel.setEc(usb, battery) ? kOk : Failed(L"setting the EC");
    }
    if (verb == L"fail" && argc >= 3) {
        if (!OpenPanel(panel))
            return kFailed;
        return Fail(panel, argc, argv);
    }
    if (verb == L"mode" && (argc == 4 || argc == 5) && std::wstring_view(argv[2]) == L"charge")
        return ChargeMode(panel, argc, argv);
    if (verb == L"mode" && argc == 3) {
        const std::wstring_view mode = argv[2];
        if (mode != L"pending" && mode != L"atonce")
            return Usage();
        if (!OpenPanel(panel))
            return kFailed;
        return panel.setMode(mode == L"pending" ? KVFBSIM_MODE_PENDING
                                                : KVFBSIM_MODE_COMPLETE_AT_ONCE)
                   ? kOk
                   : Failed(L"setting the mode");
    }
    if (verb == L"status" && argc == 2)
        return OpenPanel(panel) ? PrintStatus(panel) : kFailed;
    if (verb == L"reset" && argc == 2)
        return OpenPanel(panel) && panel.reset() ? kOk : Failed(L"resetting");
    return Usage();
}

#include "panel.h"

namespace kvfbsim {

bool Panel::open()
{
    handle_.reset(CreateFileW(KVFBSIM_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr));
    return handle_.valid();
}

bool Panel::control(DWORD code, const void *in, DWORD inSize, void *out, DWORD outSize)
{
    if (!handle_.valid()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD returned = 0;
    return DeviceIoControl(handle_.get(), code, const_cast<void *>(in), inSize, out, outSize,
                           &returned, nullptr) != FALSE;
}

bool Panel::injectReport(uint32_t report)
{
    const unsigned long value = report;
    return control(KVFBSIM_IOCTL_INJECT_REPORT, &value, sizeof(value));
}

bool Panel::setFailure(uint32_t target, uint32_t kind, uint32_t value, uint32_t count)
{
    const KVFBSIM_FAILURE failure{target, kind, value, count};
    return control(KVFBSIM_IOCTL_SET_FAILURE, &failure, sizeof(failure));
}

bool Panel::failCharge(uint32_t kind, uint32_t value, uint32_t count)
{
    return setFailure(KVFBSIM_TARGET_CHARGE, kind, value, count);
}

bool Panel::failButton(uint32_t ntstatus, uint32_t count)
{
    return setFailure(KVFBSIM_TARGET_BUTTON, KVFBSIM_FAIL_NTSTATUS, ntstatus, count);
}

bool Panel::clearFailures()
{
    return setFailure(KVFBSIM_TARGET_CHARGE, KVFBSIM_FAIL_DW_STATUS, 0, 0) &&
           setFailure(KVFBSIM_TARGET_BUTTON, KVFBSIM_FAIL_NTSTATUS, 0, 0);
}

bool Panel::setMode(uint32_t mode)
{
    const unsigned long value = mode;
    return control(KVFBSIM_IOCTL_SET_MODE, &value, sizeof(value));
}

bool Panel::getStatus(KVFBSIM_STATUS &status)
{
    return control(KVFBSIM_IOCTL_GET_STATUS, nullptr, 0, &status, sizeof(status));
}

bool Panel::setEc(uint32_t usbCharge, uint32_t batteryLimit)
{
    const KVFBSIM_EC ec{usbCharge, batteryLimit};
    return control(KVFBSIM_IOCTL_SET_EC, &ec, sizeof(ec));
}

bool Panel::setChargeDelay(uint32_t milliseconds)
{
    const unsigned long value = milliseconds;
    return control(KVFBSIM_IOCTL_SET_CHARGE_DELAY, &value, sizeof(value));
}

bool Panel::reset() { return control(KVFBSIM_IOCTL_RESET, nullptr, 0); }

} // namespace kvfbsim

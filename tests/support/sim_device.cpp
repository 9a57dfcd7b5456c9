#include "sim_device.h"

#include "process.h"
#include "test_paths.h"

namespace kivotest {

namespace {

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ServiceHandle()
    {
        if (handle_ != nullptr)
            CloseServiceHandle(handle_);
    }
    ServiceHandle(const ServiceHandle &) = delete;
    ServiceHandle &operator=(const ServiceHandle &) = delete;
    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

// The product's device installer, with the package staged beside it.
bool RunInstaller(const wchar_t *command)
{
    const auto code = RunProcess(Quote(DistFile(L"KivoDevInst.exe")) + L" " + command, 120000);
    return code && *code == 0;
}

} // namespace

bool StopSimDriver()
{
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.get() == nullptr)
        return false;
    ServiceHandle service(
        OpenServiceW(manager.get(), L"kvfbsim", SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (service.get() == nullptr)
        return false;
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100; ++i) {
        if (!QueryServiceStatus(service.get(), &status))
            return false;
        if (status.dwCurrentState == SERVICE_STOPPED)
            return true;
        Sleep(50);
    }
    return false;
}

bool InstallSimDevice() { return RunInstaller(L"/Install"); }

bool RemoveSimDevice() { return RunInstaller(L"/Uninstall"); }

bool RestartSimDriver() { return RemoveSimDevice() && StopSimDriver() && InstallSimDevice(); }

} // namespace kivotest

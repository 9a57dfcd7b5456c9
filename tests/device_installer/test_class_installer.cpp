// A class installer for the test bed's own device class: it plays the
// removals Wine's SetupAPI never reports, a node the class installer keeps
// and a node whose removal completes at the next restart. Named with its
// entry point in the class key's value "Installer32".
#include <windows.h>

#include <setupapi.h>

extern "C" __declspec(dllexport) DWORD CALLBACK RefuseRemoval(DI_FUNCTION function, HDEVINFO,
                                                              SP_DEVINFO_DATA *)
{
    return function == DIF_REMOVE ? ERROR_ACCESS_DENIED : ERROR_DI_DO_DEFAULT;
}

// What Windows does with a node it cannot stop now: the removal succeeds and
// the node's install parameters ask for a restart.
extern "C" __declspec(dllexport) DWORD CALLBACK RemoveAtRestart(DI_FUNCTION function, HDEVINFO set,
                                                                SP_DEVINFO_DATA *device)
{
    if (function != DIF_REMOVE)
        return ERROR_DI_DO_DEFAULT;
    SP_DEVINSTALL_PARAMS_W params{};
    params.cbSize = sizeof(params);
    if (!SetupDiGetDeviceInstallParamsW(set, device, &params))
        return GetLastError();
    params.Flags |= DI_NEEDREBOOT;
    return SetupDiSetDeviceInstallParamsW(set, device, &params) ? NO_ERROR : GetLastError();
}

// The class installer of the tests' own device class ("Installer32"): the
// removals Wine never reports, one refused and one completed at restart.
#include <windows.h>
#include <setupapi.h>

extern "C" __declspec(dllexport) DWORD CALLBACK RefuseRemoval(DI_FUNCTION function, HDEVINFO,
                                                              SP_DEVINFO_DATA *)
{
    return function == DIF_REMOVE ? ERROR_ACCESS_DENIED : ERROR_DI_DO_DEFAULT;
}

// As Windows with a node it cannot stop now.
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

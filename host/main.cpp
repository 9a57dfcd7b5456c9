// KivoFunctionButtonApl: the tray-resident function button host.
#include <windows.h>

#include "app/kivo_function_button_apl_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    return theApp.WinMain(instance, commandLine);
}

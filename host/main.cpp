// KivoFunctionButtonApl: the tray-resident function button host. The window
// framework, settings and actions are not built yet; until then the program
// only opens and closes a control library session and ends with exit code 1.
#include <windows.h>

#include "KivoFCtrl.h"

namespace {

void NotifyCallBack(uint32_t report) { (void)report; }

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show)
{
    (void)instance;
    (void)commandLine;
    (void)show;
    if (KVFOpen() == 0)
        KVFSetCallbackFunc(NotifyCallBack);
    KVFClose();
    return 1;
}

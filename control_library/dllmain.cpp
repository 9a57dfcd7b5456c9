// Entry point of KivoFCtrl.dll. Loading starts nothing and unloading stops
// nothing: callers close their session with KVFClose before they unload.
#include <windows.h>

#include "library_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        kvf::AttachLibrary(instance);
    else if (reason == DLL_PROCESS_DETACH)
        kvf::DetachLibrary();
    return TRUE;
}

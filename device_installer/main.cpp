// KivoDevInst: binds the function button driver package to the ACPI device,
// or removes the device. Reports only through its exit code. Installation
// and removal are not built yet: every command fails with exit code 2.
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    (void)argc;
    (void)argv;
    return 2;
}

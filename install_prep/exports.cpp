// Exports of the install-preparation library. The family check and the
// install mark are not built yet: every export reports failure until then.
#include "ZrInstallPrep.h"

extern "C" {

int ZRPCheckFamily(int selector)
{
    (void)selector;
    return 0;
}

int ZRPGetModelKeyword(int selector, char *buffer, int bufferSize)
{
    (void)selector;
    (void)buffer;
    (void)bufferSize;
    return 0;
}

int ZRPSetRegMark(void) { return 0; }

int ZRPCheckRegMark(void) { return 0; }

} // extern "C"

// Exports of the install-preparation library ZrInstallPrep.dll, loaded by the
// outside installer (plain names at fixed ordinals). Every export returns 1
// or 0.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

int ZRPCheckFamily(int selector);                                   // ordinal 1
int ZRPGetModelKeyword(int selector, char *buffer, int bufferSize); // ordinal 2
int ZRPSetRegMark(void);                                            // ordinal 3
int ZRPCheckRegMark(void);                                          // ordinal 4

#ifdef __cplusplus
}
#endif

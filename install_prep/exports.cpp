// Exports of the install-preparation library, loaded by the outside
// installer (plain names at fixed ordinals). Every export returns 1 or 0.
#include "ZrInstallPrep.h"

#include "family_check.h"
#include "install_mark.h"
#include "wmi_query.h"

extern "C" {

int ZRPCheckFamily(int selector)
{
    return zrinstallprep::CheckFamily(selector, zrinstallprep::QueryWmiProperty);
}

int ZRPGetModelKeyword(int selector, char *buffer, int bufferSize)
{
    return zrinstallprep::GetModelKeyword(selector, buffer, bufferSize,
                                          zrinstallprep::QueryWmiProperty);
}

int ZRPSetRegMark(void)
{
    return zrinstallprep::SetRegMark();
}

int ZRPCheckRegMark(void)
{
    return zrinstallprep::CheckRegMark();
}

} // extern "C"

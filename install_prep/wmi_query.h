// Reading one string property of one WMI class into a narrow buffer.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace zrinstallprep {

// Runs the query in the namespace on the calling thread, which it
// initialises as apartment-threaded, and converts the property of every
// instance into the buffer: the last instance decides, and no instance leaves
// the buffer as it was. 1 when the query ran, 0 on a COM or WMI failure.
int QueryWmiProperty(char *buffer, int bufferSize, BSTR nameSpace, BSTR query,
                     const wchar_t *propertyName);

// The signature of QueryWmiProperty: the seam through which tests hand the
// family check the WMI rows that Wine does not have.
using WmiQueryFunction = int (*)(char *buffer, int bufferSize, BSTR nameSpace, BSTR query,
                                 const wchar_t *propertyName);

// Stores one property value in the buffer as a narrow string of the C
// runtime's locale. A value that is not a string (missing, null, another
// type), that cannot be converted, or whose narrow form with its terminator
// does not fit empties the buffer; it is never cut. A buffer of size 0 or
// less, or none at all, is never written.
void StoreNarrowValue(const VARIANT &value, char *buffer, int bufferSize);

} // namespace zrinstallprep

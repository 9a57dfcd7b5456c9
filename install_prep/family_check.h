// The model family check: which WMI property each selector reads and which
// values belong to the family.
#pragma once

#include "wmi_query.h"

namespace zrinstallprep {

// ZRPCheckFamily with the WMI query given: 1 when the install mark was
// present (consumed, no query made) or the machine's value equals a keyword
// of the selector, else 0.
int CheckFamily(int selector, WmiQueryFunction queryProperty);

// ZRPGetModelKeyword with the WMI query given: the query's result for
// selectors 100 and 200, 0 without touching the buffer for any other.
int GetModelKeyword(int selector, char *buffer, int bufferSize, WmiQueryFunction queryProperty);

} // namespace zrinstallprep

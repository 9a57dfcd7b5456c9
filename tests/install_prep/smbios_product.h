// The product name the machine's firmware tables report, read without WMI:
// what Wine's Win32_ComputerSystemProduct hands out as "Name".
#pragma once

#include <string>

namespace installpreptest {

// The product name of the SMBIOS system information (type 1), or "Wine",
// Wine's own name, when the tables hold none.
std::string ExpectedProductName();

} // namespace installpreptest

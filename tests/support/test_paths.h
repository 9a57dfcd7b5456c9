// Where the test bed keeps the built programs, seen from inside Wine.
#pragma once

#include <string>

namespace kivotest {

// The staged, ready-to-install folder (the deliverables and the driver
// package).
std::wstring DistDir();
// Every built program, the test programs and test bed tools included.
std::wstring BinDir();
// DistDir() or BinDir() followed by "\" and the file name.
std::wstring DistFile(const std::wstring &name);
std::wstring BinFile(const std::wstring &name);

} // namespace kivotest

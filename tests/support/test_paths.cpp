#include "test_paths.h"

namespace kivotest {

std::wstring DistDir() { return KIVO_DIST_DIR; }
std::wstring BinDir() { return KIVO_BIN_DIR; }
std::wstring DistFile(const std::wstring &name) { return DistDir() + L"\\" + name; }
std::wstring BinFile(const std::wstring &name) { return BinDir() + L"\\" + name; }

} // namespace kivotest

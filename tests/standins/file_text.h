// Reading what the stand-ins wrote.
#pragma once

#include <optional>
#include <string>

namespace standintest {

// The bytes of a file; empty when it cannot be read (missing, for one).
std::optional<std::string> ReadFileBytes(const std::wstring &path);

bool FileExists(const std::wstring &path);

} // namespace standintest

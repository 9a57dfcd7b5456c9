// Whole files as bytes, and the two encodings the host's profile files use.
#pragma once

#include <optional>
#include <string>

namespace hosttest {

// Empty when the file cannot be read (for example, it does not exist).
std::optional<std::string> ReadFileBytes(const std::wstring &path);
bool WriteFileBytes(const std::wstring &path, const std::string &bytes);

// Text of code points below 0x80 as single bytes.
std::string AsciiBytes(const std::wstring &text);
// UTF-16 little endian with its byte-order mark.
std::string Utf16Bytes(const std::wstring &text);

bool PathExists(const std::wstring &path);

} // namespace hosttest

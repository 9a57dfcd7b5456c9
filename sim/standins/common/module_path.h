// Where a stand-in's own exe lies, and the names derived from it.
#pragma once

#include <string>

namespace standin {

// Full path of this process's exe; empty when Windows cannot tell.
std::wstring OwnExePath();

// The folder part of a path, without the closing backslash.
std::wstring FolderOf(const std::wstring &path);

// The file name of a path without a final ".exe" (any case).
std::wstring BaseNameWithoutExe(const std::wstring &path);

} // namespace standin

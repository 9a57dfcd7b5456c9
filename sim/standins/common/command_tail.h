// The arguments a stand-in was started with, as its starter wrote them.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// The command line without the program name and the blanks (spaces, tabs)
// that follow it; everything after that is kept verbatim, quotes and trailing
// blanks included. The program name ends as Windows' own parser ends it: at
// the closing quote when it starts with one, else at the first blank.
std::wstring CommandTail(std::wstring_view commandLine);

// CommandTail of this process's command line.
std::wstring OwnCommandTail();

} // namespace standin

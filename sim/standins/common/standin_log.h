// The log through which tests see what a stand-in did.
//
// File: "<exe base name>.log" in the folder named by the environment variable
// KIVO_STANDIN_LOG_DIR, or beside the exe when it is not set. Each line is
// UTF-8 and ends with CRLF. The file is opened, appended to and closed for
// every line, so a test may read it at any moment and never sees a line cut
// short by buffering.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// Path of this stand-in's log file; empty when it cannot be worked out.
std::wstring LogFilePath();

// Appends one line (the CRLF is added). False when it could not be written;
// a stand-in carries on regardless, the test will notice the missing line.
bool AppendLogLine(std::wstring_view line);

// "<word>" when the text is empty, else "<word> <text>".
std::wstring WordAndText(std::wstring_view word, std::wstring_view text);

} // namespace standin

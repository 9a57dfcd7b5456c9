// The tray icon's tip: its name, then the charge state, so that the state
// can be read at the icon whatever became of the balloons that told it
// (Windows drops them under Do Not Disturb).
#pragma once

#include <string>

// The tip: firstLine, then the battery charge limit and, while one runs,
// the one-time full charge, each on a line of its own. Only firstLine
// without an open library session. Never longer than a tray tip holds
// (127 characters): a line that does not fit whole is left out.
std::wstring ChargeStateTip(const std::wstring &firstLine, bool sessionOpen);

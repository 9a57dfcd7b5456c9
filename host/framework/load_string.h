// Texts from the program's string table, in the user-interface language.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The string with that id, cut to fit a buffer of capacity characters (the
// terminator included); empty when the table has no such string.
std::wstring LoadResourceString(UINT id, std::size_t capacity = 260);

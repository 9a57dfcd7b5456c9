// The sessions whose tray program the setup closed, kept in a file of its
// temporary folder between closing and starting again: one decimal
// session id a line.
#pragma once

#include <windows.h>

#include <set>
#include <string>

bool WriteSessionList(const std::wstring &file, const std::set<DWORD> &sessions);
// An absent or unreadable file is an empty list.
std::set<DWORD> ReadSessionList(const std::wstring &file);

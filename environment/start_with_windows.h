#pragma once
// Start with Windows: a value named after the program's GUID under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run, holding the quoted
// path of the program file.

#include <string>

// Only a value that names this very program file counts: one left by a copy
// elsewhere would not start this one.
bool StartsWithWindows(const std::wstring& programPath);
// Registers or removes; false when the registry refused. Removing what is
// already absent succeeds: the state the user asked for holds.
bool SetStartWithWindows(const std::wstring& programPath, bool start);

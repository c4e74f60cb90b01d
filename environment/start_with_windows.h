#pragma once
// Start with Windows: a value named after the program's GUID under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run, holding the quoted
// path of the program file. Since Windows 8 the Startup page of Task Manager
// and of Settings switches such an entry off without removing it, by a
// binary value of the same name under ...\Explorer\StartupApproved\Run.

#include <string>

// Only a value that names this very program file counts, one left by a copy
// elsewhere would not start this one; and only while the Startup page has
// not switched it off.
bool StartsWithWindows(const std::wstring& programPath);
// Registers (and switches back on what the Startup page switched off) or
// removes. Throws the registry's refusal as the program's Error. Removing
// what is already absent succeeds: the state the user asked for holds.
void SetStartWithWindows(const std::wstring& programPath, bool start);

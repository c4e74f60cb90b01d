#pragma once
// Small string helpers shared by the program.

#include <string>
#include <string_view>

// UTF-8 for std::exception::what(); the program itself keeps UTF-16.
std::string Narrow(std::wstring_view text);
std::wstring Widen(std::string_view utf8);

// Upper case as the system's locale-independent case mapping does it, so
// that "lnk", "Lnk" and "LNK" compare alike in any locale.
std::wstring ToUpperInvariant(std::wstring_view text);

// Windows' own rule for comparing paths and file names.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// A path or message placed in double quotes, as the program shows them.
std::wstring Quoted(std::wstring_view text);

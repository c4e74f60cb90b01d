#pragma once
// Small string helpers shared by the program.

#include <string>
#include <string_view>

// UTF-8 for std::exception::what(); the program itself keeps UTF-16.
std::string Narrow(std::wstring_view text);
std::wstring Widen(std::string_view utf8);

// Windows' own rule for comparing paths and file names: case folded the
// same in every locale, so "lnk", "Lnk" and "LNK" are alike even in Turkish.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// A path or message placed in double quotes, as the program shows them.
std::wstring Quoted(std::wstring_view text);

#pragma once
// Strings as the program handles them: UTF-16 throughout, names compared the
// way Windows compares file names, texts filled in for the user.

#include <string>
#include <string_view>

// UTF-8 for std::exception::what(); everything else stays UTF-16.
std::string Narrow(std::wstring_view text);
std::wstring Widen(std::string_view utf8);

// Windows' own rule for file names: case folded the same in every locale, so
// "lnk", "Lnk" and "LNK" are alike even in Turkish.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
// The form under which EqualsIgnoreCase finds two names equal.
std::wstring FoldCase(std::wstring_view text);

// A path or name placed in double quotes, as the program's messages show them.
std::wstring Quoted(std::wstring_view text);

// A text of base/user_texts.h with its "%1" replaced by value, and its
// "%2", if any, by second.
std::wstring FillIn(std::wstring_view text, std::wstring_view value, std::wstring_view second = {});

// A number's digits, at least atLeast of them: made here rather than by the
// printf family, which would bring MinGW's whole printf into the program.
std::wstring Digits(unsigned long long value, unsigned base = 10, size_t atLeast = 1);

// At most `capacity - 1` UTF-16 units, never ending in the first half of a
// surrogate pair, for the shell's fixed-size text fields.
std::wstring_view FitText(std::wstring_view text, size_t capacity);

#pragma once
// What identifies this program to Windows: names it keeps its state under,
// its version, where its own file lies.

#include "version.h"

#include <string>

namespace program {

// Fixed for the life of the program: the single-instance mutex and the
// start-with-Windows value are both named after it.
inline constexpr wchar_t kGuid[] = L"{6F1C2B7E-3A94-4D5B-9E08-B2C47A1D5E63}";

// Application Data\Quenwald\Vimbrel holds the elements; the options live
// under HKCU\Software\Quenwald\Vimbrel.
inline constexpr wchar_t kCompanyFolder[] = L"Quenwald";
inline constexpr wchar_t kProductFolder[] = L"Vimbrel";
inline constexpr wchar_t kOptionsKey[] = L"Software\\Quenwald\\Vimbrel";

inline constexpr wchar_t kMainIconResource[] = L"A_MAIN";
inline constexpr wchar_t kVersion[] = L"" VIMBREL_VERSION_TEXT;

// The full path of the running Vimbrel.exe.
std::wstring Path();

}  // namespace program

#pragma once
// What identifies this program to Windows and to its outside components.

namespace app_info {

// Fixed for the life of the program: the single-instance mutex and the
// start-with-Windows value are both named after it.
inline constexpr wchar_t APP_GUID[] = L"{6F1C2B7E-3A94-4D5B-9E08-B2C47A1D5E63}";

inline constexpr wchar_t kCompanyName[] = L"Quenwald";
inline constexpr wchar_t kProductName[] = L"Vimbrel";
inline constexpr wchar_t kVersion[] = L"1.00.0017";

// Where the options live: HKCU\Software\<company>\<product>.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Quenwald\\Vimbrel";

inline constexpr wchar_t kMainIconResource[] = L"A_MAIN";

}  // namespace app_info

#pragma once
// The popup menus in the system's colours: dark in dark app mode, as the
// taskbar's own menus are, on Windows 10 1903 and later. Windows offers no
// documented call for a program's menus; uxtheme exports, by ordinal only,
// RefreshImmersiveColorPolicyState (104), SetPreferredAppMode (135) and
// FlushMenuThemes (136), and those ordinals mean that from build 18362 on
// (in 1809, 135 was another function with another argument). So they are
// looked up only on such builds, and any failure leaves the menus light, as
// they have always been. In high contrast the program asks for nothing
// dark: the system's colours stand.

#include "base/system_function.h"

// An export of uxtheme by ordinal; null when there is none.
using ThemeOrdinalLookup = FARPROC (*)(WORD ordinal);
FARPROC UxThemeOrdinal(WORD ordinal);

// At start and whenever the app mode or high contrast changes
// (WM_SETTINGCHANGE "ImmersiveColorSet", SPI_SETHIGHCONTRAST). Tests give
// the build and the lookup.
void FollowAppMode(DWORD build = WindowsBuild(), ThemeOrdinalLookup lookup = UxThemeOrdinal);

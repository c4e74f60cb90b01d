#include "tray/menu_theme.h"

namespace {

constexpr DWORD kFirstBuildWithAppModes = 18362;  // Windows 10 1903
constexpr WORD kRefreshImmersiveColorPolicyState = 104;
constexpr WORD kSetPreferredAppMode = 135;
constexpr WORD kFlushMenuThemes = 136;
// SetPreferredAppMode's argument: the menus follow the system's app mode,
// or (the default of every program) stay light.
constexpr int kDefaultMode = 0;
constexpr int kAllowDarkMode = 1;

using SetPreferredAppMode = int(WINAPI*)(int mode);
using ThemeCall = void(WINAPI*)();

template <class Function>
Function Look(ThemeOrdinalLookup lookup, WORD ordinal) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(lookup(ordinal)));
}

bool HighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

FARPROC UxThemeOrdinal(WORD ordinal) { return SystemFunction<FARPROC>(L"uxtheme.dll", MAKEINTRESOURCEA(ordinal)); }

void FollowAppMode(DWORD build, ThemeOrdinalLookup lookup) {
    if (build < kFirstBuildWithAppModes) return;
    const auto refresh = Look<ThemeCall>(lookup, kRefreshImmersiveColorPolicyState);
    const auto setMode = Look<SetPreferredAppMode>(lookup, kSetPreferredAppMode);
    const auto flush = Look<ThemeCall>(lookup, kFlushMenuThemes);
    if (!setMode || !flush) return;
    // uxtheme keeps the app mode it read last: read anew after a change.
    if (refresh) refresh();
    setMode(HighContrast() ? kDefaultMode : kAllowDarkMode);
    // Menus keep the theme they were first drawn with until it is flushed.
    flush();
}

#pragma once
// The elements folder and the two options: found and read at start-up,
// stored when the main window unloads.

#include "outside/modal_ui.h"
#include "outside/settings_store.h"
#include "outside/support_library.h"

#include <functional>
#include <memory>
#include <string>

struct AppState {
    std::wstring SET_ElementsPath;  // no trailing backslash
    bool SET_AntiHide = false;
    bool SET_AntiHideOnTS = false;
};

using SettingsStoreFactory = std::function<std::unique_ptr<SettingsStore>()>;

inline constexpr int kCsidlAppData = 26;  // CSIDL_APPDATA
inline constexpr long kErrorNoAppData = 51;
inline constexpr wchar_t kKeyAntiHide[] = L"Anti-Hide";
inline constexpr wchar_t kKeyAntiHideOnTS[] = L"Enable Anti-Hide on TS";
inline constexpr wchar_t kSettingsSection[] = L"";

// Makes sure Application Data\Quenwald\Vimbrel exists and reads the options.
// False when a folder could not be made; the user has been told why.
// Throws AppError 51 when there is no Application Data folder at all.
bool PrepareEnvironment(AppState& state, SupportLibrary& support, const SettingsStoreFactory& settings,
                        ModalUi& ui);

void SaveSettings(const AppState& state, const SettingsStoreFactory& settings);

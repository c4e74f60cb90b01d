#include "app/environment.h"

#include "app/app_info.h"
#include "app/errors.h"
#include "app/text.h"
#include "app/texts.h"

bool PrepareEnvironment(AppState& state, SupportLibrary& support, const SettingsStoreFactory& settings,
                        ModalUi& ui) {
    state.SET_ElementsPath = support.GetSpecialFolder(kCsidlAppData);
    if (state.SET_ElementsPath.empty()) throw AppError(kErrorNoAppData, L"SET_ElementsPath == \"\"");

    for (const wchar_t* level : {app_info::kCompanyName, app_info::kProductName}) {
        state.SET_ElementsPath = BuildFileName(state.SET_ElementsPath, level);
        if (!IsDirectoryExist(state.SET_ElementsPath)) CreateDirectoryW(state.SET_ElementsPath.c_str(), nullptr);
        if (!IsDirectoryExist(state.SET_ElementsPath)) {
            ui.MessageBox(texts::kCannotCreateFolderPrefix + Quoted(state.SET_ElementsPath) +
                              texts::kCannotCreateFolderSuffix,
                          MB_OK | MB_ICONERROR);
            return false;
        }
    }

    const auto store = settings();
    state.SET_AntiHide = store->ReadValue(kSettingsSection, kKeyAntiHide, support.IsHostWinXP_OrHigher());
    state.SET_AntiHideOnTS = store->ReadValue(kSettingsSection, kKeyAntiHideOnTS, false);
    return true;
}

void SaveSettings(const AppState& state, const SettingsStoreFactory& settings) {
    const auto store = settings();
    store->WriteValue(kSettingsSection, kKeyAntiHide, state.SET_AntiHide);
    store->WriteValue(kSettingsSection, kKeyAntiHideOnTS, state.SET_AntiHideOnTS);
}

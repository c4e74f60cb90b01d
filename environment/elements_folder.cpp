#include "environment/elements_folder.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/program.h"
#include "base/paths.h"
#include "base/strings.h"
#include "base/user_texts.h"

#include <shlobj.h>

std::wstring RoamingAppDataFolder() {
    wchar_t* path = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path);
    const ScopeExit freePath([&] { CoTaskMemFree(path); });
    return SUCCEEDED(hr) && path ? std::wstring(path) : std::wstring();
}

std::optional<std::wstring> PrepareElementsFolder(const std::wstring& appData, ModalUi& ui) {
    if (appData.empty()) throw Error::Program(kErrorNoAppData, texts::kNoAppData);
    std::wstring folder = appData;
    for (const wchar_t* level : {program::kCompanyFolder, program::kProductFolder}) {
        folder = JoinPath(folder, level);
        if (!IsFolder(folder)) CreateDirectoryW(folder.c_str(), nullptr);
        if (!IsFolder(folder)) {
            ui.MessageBox(FillIn(texts::kCannotCreateFolder, Quoted(folder)), MB_OK | MB_ICONERROR);
            return std::nullopt;
        }
    }
    return folder;
}

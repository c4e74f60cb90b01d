#include "actions/shortcut.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/strings.h"
#include "base/user_texts.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr wchar_t kShortcutExtension[] = L".LNK";

// Names the system keeps for devices; "con.LNK" opens the console, not a file.
constexpr std::array<std::wstring_view, 24> kDeviceNames = {
    L"CON",  L"PRN",  L"AUX",  L"NUL",  L"CONIN$", L"CONOUT$",                             //
    L"COM1", L"COM2", L"COM3", L"COM4", L"COM5",   L"COM6",    L"COM7", L"COM8", L"COM9",  //
    L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5",   L"LPT6",    L"LPT7", L"LPT8", L"LPT9"};

bool IsDeviceName(std::wstring_view fileName) {
    // The device is named by what stands before the first dot, trailing
    // blanks dropped: "nul .txt" is NUL as well.
    std::wstring_view stem = fileName.substr(0, fileName.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    return std::any_of(kDeviceNames.begin(), kDeviceNames.end(),
                       [stem](std::wstring_view device) { return EqualsIgnoreCase(stem, device); });
}

void SaveShellLink(const std::wstring& linkPath, const std::wstring& target, const std::wstring& workingFolder) {
    ComPtr<IShellLinkW> link;
    ThrowIfFailed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()));
    ComPtr<IPersistFile> file;
    ThrowIfFailed(link->QueryInterface(IID_IPersistFile, file.put_void()));

    ThrowIfFailed(link->SetPath(target.c_str()));
    if (!workingFolder.empty()) ThrowIfFailed(link->SetWorkingDirectory(workingFolder.c_str()));
    ThrowIfFailed(link->SetShowCmd(SW_SHOWDEFAULT));
    // SLR_NO_UI: without it a missing target makes the shell search for it
    // behind a modal window of its own, which nobody asked for here.
    ThrowIfFailed(link->Resolve(nullptr, SLR_UPDATE | SLR_NO_UI));

    const bool existed = Exists(linkPath);
    const HRESULT saved = file->Save(linkPath.c_str(), FALSE);
    if (FAILED(saved)) {
        // A save that broke off may have left a truncated file, which the
        // folder watch would turn into a dead icon. Only a file this call
        // made goes: an older one may still be whole.
        if (!existed) DeleteFileW(linkPath.c_str());
        ThrowIfFailed(saved);
    }
}

}  // namespace

bool IsUsableShortcutName(const std::wstring& name) {
    if (name.empty()) return false;
    for (const wchar_t c : name) {
        if (c < 32 || std::wstring_view(L"\\/<>:\"|?*").find(c) != std::wstring_view::npos) return false;
    }
    return !IsDeviceName(name);
}

void CreateShortcutInteractive(ModalUi& ui, HWND owner, const std::wstring& folder) {
    const auto target = ui.ChooseFile(owner);
    if (!target) return;

    std::wstring linkPath;
    for (;;) {
        // Every round offers the chosen file's name again, not the text the
        // user typed last: that one clashed.
        const auto answer = ui.InputBox(texts::kShortcutNamePrompt, FileNameOf(*target));
        if (!answer || answer->empty()) return;
        const std::wstring shortcutName = *answer + kShortcutExtension;
        if (!IsUsableShortcutName(shortcutName)) {
            ShowError(ui, Error::FromWin32(ERROR_INVALID_NAME), texts::kCannotCreateShortcut);
            return;
        }
        linkPath = JoinPath(folder, shortcutName);
        if (!Exists(linkPath)) break;

        const std::wstring question = FillIn(texts::kOverwriteFile, Quoted(shortcutName));
        // Only a Yes replaces the user's file: a box closed by the end of the
        // program or one that failed answers something else.
        const int reply = ui.MessageBox(question, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (reply == IDYES) break;
        if (reply != IDNO) return;
    }
    CreateShortcut(ui, linkPath, *target, FolderOf(*target));
}

void CreateShortcut(ModalUi& ui, const std::wstring& linkPath, const std::wstring& target,
                    const std::wstring& workingFolder) {
    try {
        SaveShellLink(linkPath, target, workingFolder);
    } catch (const Error& error) {
        ShowError(ui, error, texts::kCannotCreateShortcut);
    }
}

#include "actions/shortcut.h"

#include "app/handles.h"
#include "app/text.h"
#include "app/texts.h"
#include "outside/support_library.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr wchar_t kShortcutExtension[] = L".LNK";
constexpr UINT kOverwriteQuestionStyle = MB_YESNOCANCEL | MB_ICONQUESTION;  // 35: Yes is the default button

// Names the system keeps for devices; "con.LNK" opens the console, not a file.
constexpr std::array<std::wstring_view, 24> kDeviceNames = {
    L"CON",  L"PRN",  L"AUX",  L"NUL",  L"CONIN$", L"CONOUT$",  //
    L"COM1", L"COM2", L"COM3", L"COM4", L"COM5",   L"COM6",   L"COM7", L"COM8", L"COM9",  //
    L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5",   L"LPT6",   L"LPT7", L"LPT8", L"LPT9"};

bool IsDeviceName(std::wstring_view fileName) {
    // The device is named by what stands before the first dot, trailing
    // blanks dropped: "nul .txt" is NUL as well.
    std::wstring_view stem = fileName.substr(0, fileName.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
    return std::any_of(kDeviceNames.begin(), kDeviceNames.end(),
                       [stem](std::wstring_view device) { return EqualsIgnoreCase(stem, device); });
}

void ReportUnusableName(ErrorReporter& errorReporter) {
    const HRESULT hr = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    errorReporter.ShowError(AppError(static_cast<long>(hr), DescribeSystemError(static_cast<DWORD>(hr))),
                            texts::kCannotCreateShortcut);
}

// The steps that talk to the link object; a failing one throws.
void SaveShellLink(const std::wstring& linkPath, const std::wstring& targetPath, const std::wstring& workingFolder,
                   const std::wstring& arguments, const std::wstring& iconFile, int iconIndex, int showCommand) {
    ComPtr<IShellLinkW> link;
    ThrowIfFailed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()));
    ComPtr<IPersistFile> file;
    ThrowIfFailed(link->QueryInterface(IID_IPersistFile, file.put_void()));

    ThrowIfFailed(link->SetPath(targetPath.c_str()));
    if (!workingFolder.empty()) ThrowIfFailed(link->SetWorkingDirectory(workingFolder.c_str()));
    if (!arguments.empty()) ThrowIfFailed(link->SetArguments(arguments.c_str()));
    if (!iconFile.empty()) ThrowIfFailed(link->SetIconLocation(iconFile.c_str(), iconIndex));
    ThrowIfFailed(link->SetShowCmd(showCommand));
    // SLR_NO_UI: without it a missing target makes the shell search for it
    // behind a modal window of its own, which nobody asked for here.
    ThrowIfFailed(link->Resolve(nullptr, SLR_UPDATE | SLR_NO_UI));

    const bool existed = GetFileAttributesW(linkPath.c_str()) != INVALID_FILE_ATTRIBUTES;
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
    // The system drops trailing dots and blanks without a word, so the file
    // would not be the one the user named.
    if (name.back() == L'.' || name.back() == L' ') return false;
    return !IsDeviceName(name);
}

std::wstring OverwriteQuestion(const std::wstring& shortcutName) {
    return texts::kOverwriteFilePrefix + Quoted(shortcutName) + texts::kOverwriteQuestionSuffix;
}

void CreateShortcutInteractive(const ShortcutContext& context) {
    std::wstring target;
    {
        const auto dialog = context.fileDialogs.Create();
        dialog->SetFilter(texts::kShortcutFilter);
        dialog->SetFlags(0);
        dialog->SetOwnerWindow(context.owner);
        if (!dialog->ShowOpen()) return;
        target = dialog->FileName();
    }

    const std::wstring& folder = context.state.SET_ElementsPath;
    std::wstring shortcutName;
    for (;;) {
        // Every round offers the chosen file's name again, not the text the
        // user typed last: that one clashed.
        const auto answer = context.ui.InputBox(texts::kShortcutNamePrompt, texts::kAppTitle, GetFileName(target));
        if (!answer || answer->empty()) return;
        shortcutName = *answer + kShortcutExtension;
        if (!IsUsableShortcutName(shortcutName)) {
            ReportUnusableName(context.errorReporter);
            return;
        }
        if (!IsFileExist(BuildFileName(folder, shortcutName))) break;

        const int reply = context.ui.MessageBox(OverwriteQuestion(shortcutName), kOverwriteQuestionStyle);
        if (reply == IDCANCEL) return;
        if (reply != IDNO) break;
    }

    CreateShortcut(context.errorReporter, BuildFileName(folder, shortcutName), target, GetFilePath(target), L"", L"",
                   0, SW_SHOWDEFAULT);
}

void CreateShortcut(ErrorReporter& errorReporter, const std::wstring& linkPath, const std::wstring& targetPath,
                    const std::wstring& workingFolder, const std::wstring& arguments, const std::wstring& iconFile,
                    int iconIndex, int showCommand) {
    if (targetPath.empty() || linkPath.empty()) return;
    try {
        SaveShellLink(linkPath, targetPath, workingFolder, arguments, iconFile, iconIndex, showCommand);
    } catch (const AppError& error) {
        errorReporter.ShowError(error, texts::kCannotCreateShortcut);
    }
}

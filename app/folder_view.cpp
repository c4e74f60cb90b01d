#include "app/folder_view.h"

#include "app/errors.h"
#include "app/handles.h"
#include "app/priority.h"
#include "app/text.h"
#include "app/texts.h"

#include <optional>

namespace {

constexpr wchar_t kHintFileName[] = L"Desktop.INI";

// The shell reads a folder's Desktop.INI only when the folder is read-only
// or system.
constexpr DWORD kHintFolderAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kHintFileAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Every "=" stands in the fifteenth column.
constexpr wchar_t kSectionLine[] = L"[.ShellClassInfo]";
constexpr wchar_t kIconFileKey[] = L"IconFile      = ";
constexpr wchar_t kIconIndexLine[] = L"IconIndex     = -70";  // the program's icon group 70
constexpr wchar_t kConfirmFileOpLine[] = L"ConfirmFileOp = 0";  // no warning when the folder is moved or deleted
constexpr wchar_t kInfoTipKey[] = L"InfoTip       = ";
constexpr wchar_t kLineEnd[] = L"\r\n";

// Without a program path the icon line is left out and the rest still goes in.
std::wstring HintText(const std::optional<std::wstring>& programPath) {
    std::wstring text;
    text += kSectionLine;
    text += kLineEnd;
    if (programPath) {
        text += kIconFileKey + *programPath;
        text += kLineEnd;
    }
    text += kIconIndexLine;
    text += kLineEnd;
    text += kConfirmFileOpLine;
    text += kLineEnd;
    text += kInfoTipKey;
    text += texts::kHintInfoTip;
    text += kLineEnd;
    return text;
}

std::optional<std::wstring> ProgramPath(SupportLibrary& support) {
    try {
        return support.GetEXEModulePrettyFileName();
    } catch (const AppError&) {
        return std::nullopt;
    }
}

// UTF-16 with a byte-order mark: the shell reads it as the same text, and
// the program's path may hold characters no ANSI code page has.
void WriteHintFile(const std::wstring& path, const std::wstring& text) {
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::wstring content = L'\xFEFF' + text;
    DWORD written = 0;
    WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)), &written, nullptr);
}

}  // namespace

std::wstring HintDesktopIniText(const std::wstring& programPath) { return HintText(programPath); }

void OpenElementsFolder(const AppState& state, SupportLibrary& support, Shell& shell, ModalUi& ui) {
    const std::wstring hintFolder = BuildFileName(state.SET_ElementsPath, texts::kHintFolderName);
    const std::wstring hintFile = BuildFileName(hintFolder, kHintFileName);

    // Any of these may fail (no rights, no elements folder, a file in the
    // way); the folder is still opened, only its look suffers.
    CreateDirectoryW(hintFolder.c_str(), nullptr);
    // A file of the hint folder's name belongs to the user: leave it as it is.
    if (IsDirectoryExist(hintFolder)) SetFileAttributesW(hintFolder.c_str(), kHintFolderAttributes);
    SetFileAttributesW(hintFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteHintFile(hintFile, HintText(ProgramPath(support)));
    SetFileAttributesW(hintFile.c_str(), kHintFileAttributes);

    SetIdlePriority(false);
    const INT_PTR result = shell.Open(nullptr, state.SET_ElementsPath);
    SetIdlePriority(true);
    if (result <= 32)
        ui.MessageBox(texts::kCannotOpenFolderPrefix + Quoted(state.SET_ElementsPath) + L".", MB_OK | MB_ICONERROR);
}

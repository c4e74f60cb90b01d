#include "actions/folder_view.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/priority.h"
#include "base/program.h"
#include "base/paths.h"
#include "base/strings.h"
#include "base/user_texts.h"

namespace {

constexpr wchar_t kHintFileName[] = L"Desktop.INI";

// The shell reads a folder's Desktop.INI only when the folder is read-only
// or system.
constexpr DWORD kHintFolderAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kHintFileAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Every "=" stands in the fifteenth column. Without the program's path the
// icon line is left out and the rest still goes in.
std::wstring HintText() {
    std::wstring text = L"[.ShellClassInfo]\r\n";
    try {
        text += L"IconFile      = " + program::Path() + L"\r\n";
    } catch (const Error&) {
    }
    text += L"IconIndex     = -70\r\n";  // the program's icon group 70
    text += L"ConfirmFileOp = 0\r\n";    // no warning when the folder is moved or deleted
    text += L"InfoTip       = ";
    text += texts::kHintInfoTip;
    text += L"\r\n";
    return text;
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

void OpenElementsFolder(Shell& shell, ModalUi& ui, const std::wstring& folder) {
    const std::wstring hintFolder = JoinPath(folder, texts::kHintFolderName);
    const std::wstring hintFile = JoinPath(hintFolder, kHintFileName);

    // Any of these may fail (no rights, no elements folder, a file in the
    // way); the folder is still opened, only its look suffers.
    CreateDirectoryW(hintFolder.c_str(), nullptr);
    // A file of the hint folder's name belongs to the user: leave it as it is.
    if (IsFolder(hintFolder)) {
        SetFileAttributesW(hintFolder.c_str(), kHintFolderAttributes);
        SetFileAttributesW(hintFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteHintFile(hintFile, HintText());
        SetFileAttributesW(hintFile.c_str(), kHintFileAttributes);
    }

    bool opened = false;
    {
        const NormalPriority normal;
        opened = shell.Open(nullptr, folder) == ERROR_SUCCESS;
    }
    if (!opened) ui.MessageBox(FillIn(texts::kCannotOpenFolder, Quoted(folder)), MB_OK | MB_ICONERROR);
}

#include "outside/modal_ui.h"

#include "base/user_texts.h"
#include "outside/about_box.h"
#include "outside/input_box.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

void ShowError(ModalUi& ui, const Error& error, std::wstring_view message) {
    std::wstring text(message);
    if (!text.empty()) text += L"\r\n\r\n";
    text += ErrorText(error);
    ui.MessageBox(text, MB_OK | MB_ICONERROR);
}

int SystemModalUi::MessageBox(const std::wstring& text, UINT style) {
    // No owner: the program has no visible window, and the box must come to
    // the front on its own, which MB_SETFOREGROUND is documented to do.
    return ::MessageBoxW(nullptr, text.c_str(), texts::kAppTitle, style | MB_SETFOREGROUND);
}

std::optional<std::wstring> SystemModalUi::InputBox(const std::wstring& prompt, const std::wstring& preset) {
    return ShowInputBox(instance_, prompt, texts::kAppTitle, preset);
}

std::optional<std::wstring> SystemModalUi::ChooseFile(HWND owner) {
    // "Description|pattern" as the dialog wants it: NUL between the parts,
    // two at the end (c_str() supplies the second).
    std::wstring filter = texts::kShortcutFilter;
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.push_back(L'\0');
    // Room for a long path, far beyond MAX_PATH.
    std::vector<wchar_t> fileName(32768, L'\0');

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = static_cast<DWORD>(fileName.size());
    // A shortcut chosen is taken as the file itself, not as its target.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS | OFN_EXPLORER |
                   OFN_ENABLESIZING;
    if (GetOpenFileNameW(&dialog)) return std::wstring(fileName.data());
    // Zero means the user closed the dialog without a choice.
    if (const DWORD error = CommDlgExtendedError(); error != 0)
        throw Error::Program(static_cast<long>(error), texts::kFileDialogFailed);
    return std::nullopt;
}

void SystemModalUi::ShowAbout(HWND owner) { ShowAboutBox(instance_, owner); }

MenuChoice SystemModalUi::PopupMenu(HMENU menu, HWND owner, POINT at) {
    // Menus drop to the left where the system says so (right-to-left layouts).
    const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    MenuChoice choice;
    // The owner hears of each submenu as it opens, to fill it then.
    choice.command =
        static_cast<UINT>(TrackPopupMenuEx(menu, align | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, owner, nullptr));
    // The menu's loop took the Esc key-down and ended; its key-up has not
    // been read yet, so the thread's key state still shows it pressed.
    choice.cancelledFromKeyboard = choice.command == 0 && (GetKeyState(VK_ESCAPE) & 0x8000) != 0;
    // Without this the next menu would not close when the user clicks elsewhere.
    PostMessageW(owner, WM_NULL, 0, 0);
    return choice;
}

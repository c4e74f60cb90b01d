#include "actions/element_actions.h"

#include "base/priority.h"
#include "base/text.h"
#include "base/texts.h"

void OpenElement(Shell& shell, ModalUi& ui, HWND owner, std::wstring path) {
    bool opened = false;
    {
        // What the shell starts inherits this class.
        const NormalPriority normal;
        opened = shell.Open(owner, path) == ERROR_SUCCESS;
    }
    if (!opened) ui.MessageBox(texts::kCannotRunPrefix + Quoted(path) + L".", MB_OK | MB_ICONERROR);
}

void DeleteElement(Shell& shell, HWND owner, std::wstring path) { shell.Delete(owner, path); }

void ShowElementProperties(Shell& shell, HWND owner, std::wstring path) {
    const NormalPriority normal;
    shell.ShowProperties(owner, path);
}

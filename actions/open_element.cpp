#include "actions/open_element.h"

#include "base/error.h"
#include "base/priority.h"
#include "base/strings.h"
#include "base/user_texts.h"

void OpenElement(Shell& shell, ModalUi& ui, HWND owner, std::wstring path) {
    DWORD error = ERROR_SUCCESS;
    {
        const NormalPriority normal;
        error = shell.Open(owner, path);
    }
    // The reason on a line of its own, in the system's words.
    if (error != ERROR_SUCCESS && error != ERROR_CANCELLED)
        ui.MessageBox(FillIn(texts::kCannotRun, Quoted(path)) + L"\r\n" + ReasonText(error), MB_OK | MB_ICONERROR);
}

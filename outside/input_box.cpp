#include "outside/input_box.h"

#include "base/error.h"
#include "base/user_texts.h"
#include "outside/dialog_template.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kPromptId = 100;
constexpr int kEditId = 101;

using namespace dialog_units;
constexpr int kGap = 4;
constexpr int kPromptWidth = 190;
constexpr int kEditHeight = 12;
constexpr int kClientWidth = kMargin + kPromptWidth + kMargin + kButtonWidth + kMargin;

struct InputBoxData {
    const std::wstring& prompt;
    const std::wstring& preset;
    std::wstring answer;
};

// The height the prompt needs when wrapped to the given width, measured as
// the static control draws it.
int PromptHeight(HWND prompt, const std::wstring& text, int width) {
    const WindowDC dc(prompt);
    const SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(prompt, WM_GETFONT, 0, 0)));
    RECT bounds{0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return bounds.bottom;
}

RECT DialogUnits(HWND dialog, int left, int top, int width, int height) {
    RECT rect{left, top, left + width, top + height};
    MapDialogRect(dialog, &rect);
    return rect;
}

void Place(HWND dialog, int id, const RECT& rect) {
    MoveWindow(GetDlgItem(dialog, id), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
}

// The prompt decides the height: the box is as tall as the wrapped text,
// never shorter than the two buttons beside it.
void LayOut(HWND dialog, const std::wstring& prompt) {
    RECT promptRect = DialogUnits(dialog, kMargin, kMargin, kPromptWidth, 0);
    promptRect.bottom =
        promptRect.top + PromptHeight(GetDlgItem(dialog, kPromptId), prompt, promptRect.right - promptRect.left);
    const int buttonLeft = kMargin + kPromptWidth + kMargin;
    const RECT okRect = DialogUnits(dialog, buttonLeft, kMargin, kButtonWidth, kButtonHeight);
    const int cancelTop = kMargin + kButtonHeight + kGap;
    const RECT cancelRect = DialogUnits(dialog, buttonLeft, cancelTop, kButtonWidth, kButtonHeight);
    const RECT gap = DialogUnits(dialog, 0, 0, kMargin, kMargin);
    const int editTop = std::max(promptRect.bottom, cancelRect.bottom) + gap.bottom;
    RECT editRect = DialogUnits(dialog, kMargin, 0, kClientWidth - 2 * kMargin, kEditHeight);
    OffsetRect(&editRect, 0, editTop);

    Place(dialog, kPromptId, promptRect);
    Place(dialog, IDOK, okRect);
    Place(dialog, IDCANCEL, cancelRect);
    Place(dialog, kEditId, editRect);

    RECT frame{0, 0, DialogUnits(dialog, 0, 0, kClientWidth, 0).right, editRect.bottom + gap.bottom};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterInWorkArea(dialog);
}

INT_PTR OnInitDialog(HWND dialog, InputBoxData& data) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&data));
    SetDlgItemTextW(dialog, kPromptId, data.prompt.c_str());
    SetDlgItemTextW(dialog, IDOK, texts::kOk);
    SetDlgItemTextW(dialog, IDCANCEL, texts::kCancel);
    SetDlgItemTextW(dialog, kEditId, data.preset.c_str());
    LayOut(dialog, data.prompt);

    // The program has no visible window, so nothing else brings the box up.
    SetForegroundWindow(dialog);
    const HWND edit = GetDlgItem(dialog, kEditId);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    return FALSE;  // focus set here
}

void OnOk(HWND dialog, InputBoxData& data) {
    const HWND edit = GetDlgItem(dialog, kEditId);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    data.answer = std::move(text);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(dialog, *reinterpret_cast<InputBoxData*>(lParam));
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    OnOk(dialog, *reinterpret_cast<InputBoxData*>(GetWindowLongPtrW(dialog, DWLP_USER)));
                    return TRUE;
                case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

}  // namespace

std::optional<std::wstring> ShowInputBox(HINSTANCE instance, const std::wstring& prompt, const std::wstring& title,
                                         const std::wstring& preset) {
    const LOGFONTW font = MessageBoxMetrics().lfMessageFont;
    DialogTemplate dialog(DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU, title, font,
                          PointSize(font));
    dialog.AddControl(DialogTemplate::kStatic, kPromptId, SS_LEFT | SS_NOPREFIX);
    dialog.AddControl(DialogTemplate::kEdit, kEditId, ES_AUTOHSCROLL | WS_TABSTOP, 0, 0, 0, 0, WS_EX_CLIENTEDGE);
    dialog.AddControl(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP);
    dialog.AddControl(DialogTemplate::kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP);

    InputBoxData data{prompt, preset, {}};
    const INT_PTR result =
        DialogBoxIndirectParamW(instance, dialog.get(), nullptr, InputBoxProc, reinterpret_cast<LPARAM>(&data));
    if (result == -1) ThrowLastError();
    if (result != IDOK) return std::nullopt;
    return data.answer;
}

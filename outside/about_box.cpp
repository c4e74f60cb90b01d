#include "outside/about_box.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/program.h"
#include "base/texts.h"
#include "outside/dialog_template.h"

#include <string>

namespace {

enum ControlId : int { kIconId = 100, kNameId, kVersionId, kCopyrightId, kTrademarkId, kDedicationId };

// Dialog units of the message-box font.
constexpr int kWidth = 220;
constexpr int kTextLeft = 40;
constexpr int kTextWidth = kWidth - kTextLeft - 7;
constexpr int kLine = 10;
constexpr int kDedicationTop = 7 + 6 * kLine;
constexpr int kHeight = kDedicationTop + 2 * kLine + 7 + 14 + 7;

// What the box holds while it is up; the window only borrows the icon and font.
struct AboutResources {
    HINSTANCE instance;
    UniqueIcon icon;
    UniqueFont boldFont;
};

void SetText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

INT_PTR OnInitDialog(HWND dialog, AboutResources& resources) {
    SetWindowTextW(dialog, (std::wstring(texts::kAboutCaption) + L" " + texts::kAppTitle).c_str());

    const int size = GetSystemMetrics(SM_CXICON);
    resources.icon.reset(static_cast<HICON>(
        LoadImageW(resources.instance, program::kMainIconResource, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    SendDlgItemMessageW(dialog, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(resources.icon.get()), 0);

    LOGFONTW bold{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    resources.boldFont.reset(CreateFontIndirectW(&bold));
    SendDlgItemMessageW(dialog, kNameId, WM_SETFONT, reinterpret_cast<WPARAM>(resources.boldFont.get()), FALSE);

    SetText(dialog, kNameId, texts::kAppTitle);
    SetText(dialog, kVersionId, std::wstring(texts::kAboutVersionPrefix) + program::kVersion);
    SetText(dialog, kCopyrightId, texts::kAboutCopyright);
    SetText(dialog, kTrademarkId, texts::kAboutTrademark);
    SetText(dialog, kDedicationId, texts::kAboutDedication);
    SetText(dialog, IDOK, texts::kOk);

    CenterInWorkArea(dialog);
    // The program has no visible window, so nothing else brings the box up.
    SetForegroundWindow(dialog);
    return TRUE;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(dialog, *reinterpret_cast<AboutResources*>(lParam));
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

void ShowAboutBox(HINSTANCE instance, HWND owner) {
    const LOGFONTW font = MessageBoxMetrics().lfMessageFont;
    DialogTemplate dialog(DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU, L"", font,
                          PointSize(font), kWidth, kHeight);
    const DWORD text = SS_LEFT | SS_NOPREFIX;
    dialog.AddControl(DialogTemplate::kStatic, kIconId, SS_ICON, 7, 7, 21, 20);
    dialog.AddControl(DialogTemplate::kStatic, kNameId, text, kTextLeft, 7, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kVersionId, text, kTextLeft, 7 + kLine, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kCopyrightId, text, kTextLeft, 7 + 3 * kLine, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kTrademarkId, text, kTextLeft, 7 + 4 * kLine, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kDedicationId, text, kTextLeft, kDedicationTop, kTextWidth,
                      2 * kLine);
    dialog.AddControl(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50,
                      kHeight - 7 - 14, 50, 14);

    AboutResources resources{instance, {}, {}};
    if (DialogBoxIndirectParamW(instance, dialog.get(), owner, AboutProc, reinterpret_cast<LPARAM>(&resources)) ==
        -1)
        ThrowLastError();
}

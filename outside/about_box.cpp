#include "outside/about_box.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/program.h"
#include "base/user_texts.h"
#include "outside/dialog_template.h"

#include <string>

namespace {

enum ControlId : int { kIconId = 100, kNameId, kVersionId, kCopyrightId, kTrademarkId, kDedicationId };

using namespace dialog_units;
constexpr int kWidth = 220;
constexpr int kTextLeft = 40;
constexpr int kTextWidth = kWidth - kTextLeft - kMargin;
constexpr int kLine = 10;
constexpr int kDedicationTop = kMargin + 6 * kLine;
constexpr int kHeight = kDedicationTop + 2 * kLine + kMargin + kButtonHeight + kMargin;

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
    dialog.AddControl(DialogTemplate::kStatic, kIconId, SS_ICON, kMargin, kMargin, 21, 20);
    dialog.AddControl(DialogTemplate::kStatic, kNameId, text, kTextLeft, kMargin, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kVersionId, text, kTextLeft, kMargin + kLine, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kCopyrightId, text, kTextLeft, kMargin + 3 * kLine, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kTrademarkId, text, kTextLeft, kMargin + 4 * kLine, kTextWidth, kLine);
    dialog.AddControl(DialogTemplate::kStatic, kDedicationId, text, kTextLeft, kDedicationTop, kTextWidth, 2 * kLine);
    dialog.AddControl(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - kMargin - kButtonWidth,
                      kHeight - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);

    AboutResources resources{instance, {}, {}};
    if (DialogBoxIndirectParamW(instance, dialog.get(), owner, AboutProc, reinterpret_cast<LPARAM>(&resources)) == -1)
        ThrowLastError();
}

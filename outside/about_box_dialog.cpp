#include "outside/about_box.h"

#include "app/app_info.h"
#include "app/errors.h"
#include "app/handles.h"
#include "app/texts.h"
#include "outside/dialog_template.h"
#include "outside/window_placement.h"

namespace {

enum ControlId : int { kIconId = 100, kNameId, kVersionId, kCopyrightId, kTrademarkId, kExtraId, kDedicationId };

// Dialog units of the message-box font.
constexpr int kWidth = 220;
constexpr int kTextLeft = 40;
constexpr int kTextWidth = kWidth - kTextLeft - 7;
constexpr int kLine = 10;

struct AboutData {
    HINSTANCE instance;
    const std::wstring& extraText;
    HICON picture;
    const std::wstring& dedication;
    UniqueIcon icon;
    UniqueFont boldFont;
};

void SetText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

INT_PTR OnInitDialog(HWND dialog, AboutData& data) {
    SetWindowTextW(dialog, (std::wstring(texts::kAboutCaption) + L" " + texts::kAppTitle).c_str());

    const int size = GetSystemMetrics(SM_CXICON);
    if (!data.picture)
        data.icon.reset(static_cast<HICON>(
            LoadImageW(data.instance, app_info::kMainIconResource, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    SendDlgItemMessageW(dialog, kIconId, STM_SETICON,
                        reinterpret_cast<WPARAM>(data.picture ? data.picture : data.icon.get()), 0);

    LOGFONTW bold{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    data.boldFont.reset(CreateFontIndirectW(&bold));
    SendDlgItemMessageW(dialog, kNameId, WM_SETFONT, reinterpret_cast<WPARAM>(data.boldFont.get()), FALSE);

    SetText(dialog, kNameId, texts::kAppTitle);
    SetText(dialog, kVersionId, std::wstring(texts::kAboutVersionPrefix) + app_info::kVersion);
    SetText(dialog, kCopyrightId, texts::kAboutCopyright);
    SetText(dialog, kTrademarkId, texts::kAboutTrademark);
    SetText(dialog, kExtraId, data.extraText);
    SetText(dialog, kDedicationId, data.dedication);
    SetText(dialog, IDOK, texts::kOk);

    CenterInWorkArea(dialog);
    // The program has no visible window, so nothing else brings the box up.
    SetForegroundWindow(dialog);
    return TRUE;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(dialog, *reinterpret_cast<AboutData*>(lParam));
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

class AboutDialog final : public AboutBox {
public:
    explicit AboutDialog(HINSTANCE instance) : instance_(instance) {}

    void Show(HWND owner, const std::wstring& extraText, HICON picture, const std::wstring& dedication) override {
        const bool hasExtra = !extraText.empty();
        const int dedicationTop = 7 + kLine * (hasExtra ? 7 : 6);
        const int height = dedicationTop + 2 * kLine + 7 + 14 + 7;

        const LOGFONTW font = MessageBoxMetrics().lfMessageFont;
        DialogTemplate dialog(DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU, L"", font,
                              PointSize(font), kWidth, height);
        dialog.AddControl(DialogTemplate::kStatic, kIconId, SS_ICON, 7, 7, 21, 20);
        dialog.AddControl(DialogTemplate::kStatic, kNameId, SS_LEFT | SS_NOPREFIX, kTextLeft, 7, kTextWidth, kLine);
        dialog.AddControl(DialogTemplate::kStatic, kVersionId, SS_LEFT | SS_NOPREFIX, kTextLeft, 7 + kLine,
                          kTextWidth, kLine);
        dialog.AddControl(DialogTemplate::kStatic, kCopyrightId, SS_LEFT | SS_NOPREFIX, kTextLeft, 7 + 3 * kLine,
                          kTextWidth, kLine);
        dialog.AddControl(DialogTemplate::kStatic, kTrademarkId, SS_LEFT | SS_NOPREFIX, kTextLeft, 7 + 4 * kLine,
                          kTextWidth, kLine);
        dialog.AddControl(DialogTemplate::kStatic, kExtraId, SS_LEFT | SS_NOPREFIX, kTextLeft, 7 + 5 * kLine,
                          kTextWidth, hasExtra ? kLine : 0);
        dialog.AddControl(DialogTemplate::kStatic, kDedicationId, SS_LEFT | SS_NOPREFIX, kTextLeft, dedicationTop,
                          kTextWidth, 2 * kLine);
        dialog.AddControl(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50,
                          height - 7 - 14, 50, 14);

        AboutData data{instance_, extraText, picture, dedication, {}, {}};
        if (DialogBoxIndirectParamW(instance_, dialog.get(), owner, AboutProc, reinterpret_cast<LPARAM>(&data)) == -1)
            ThrowLastError();
    }

private:
    HINSTANCE instance_;
};

}  // namespace

std::unique_ptr<AboutBox> MakeAboutDialog(HINSTANCE instance) { return std::make_unique<AboutDialog>(instance); }

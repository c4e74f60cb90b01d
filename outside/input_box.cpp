#include "outside/input_box.h"

#include "app/errors.h"
#include "app/texts.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kPromptId = 100;
constexpr int kEditId = 101;

// Layout in dialog units of the message-box font, so the box grows with the
// user's font and DPI as every other dialog does.
constexpr int kMargin = 7;
constexpr int kGap = 4;
constexpr int kPromptWidth = 190;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kEditHeight = 12;
constexpr int kClientWidth = kMargin + kPromptWidth + kMargin + kButtonWidth + kMargin;

constexpr WORD kStaticClass = 0x0082;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;

// An in-memory dialog template: DLGTEMPLATE, then the controls, each on a
// DWORD boundary. Positions are set when the dialog knows its font.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, const std::wstring& title, const LOGFONTW& font, int pointSize) {
        DLGTEMPLATE header{};
        header.style = style | DS_SETFONT;
        Append(&header, sizeof header);
        countOffset_ = offsetof(DLGTEMPLATE, cdit) / sizeof(WORD);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        AppendString(title);
        words_.push_back(static_cast<WORD>(pointSize));
        AppendString(font.lfFaceName);
    }

    void AddControl(WORD windowClass, int id, DWORD style, DWORD extendedStyle = 0) {
        AlignToDword();
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.dwExtendedStyle = extendedStyle;
        item.id = static_cast<WORD>(id);
        Append(&item, sizeof item);
        words_.push_back(0xFFFF);
        words_.push_back(windowClass);
        words_.push_back(0);  // no text: set once the dialog is up
        words_.push_back(0);  // no creation data
        ++words_[countOffset_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Append(const void* data, size_t bytes) {
        const auto* begin = static_cast<const WORD*>(data);
        words_.insert(words_.end(), begin, begin + bytes / sizeof(WORD));
    }
    void AppendString(const std::wstring& text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }
    void AlignToDword() {
        if (words_.size() % 2 != 0) words_.push_back(0);
    }

    // std::vector's storage is aligned for any type, so the header starts on
    // a DWORD boundary as the dialog manager requires.
    std::vector<WORD> words_;
    size_t countOffset_ = 0;
};

struct InputBoxData {
    const std::wstring& prompt;
    const std::wstring& preset;
    std::wstring answer;
};

// The height the prompt needs when wrapped to the given width, measured as
// the static control draws it.
int PromptHeight(HWND prompt, const std::wstring& text, int width) {
    HDC dc = GetDC(prompt);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(prompt, WM_GETFONT, 0, 0)));
    RECT bounds{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(prompt, dc);
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
    promptRect.bottom = promptRect.top + PromptHeight(GetDlgItem(dialog, kPromptId), prompt,
                                                      promptRect.right - promptRect.left);
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
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    // The program has no window of its own to centre on: use the screen the
    // box is on, without the taskbar.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(dialog, nullptr, left, std::max<int>(top, work.top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
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

NONCLIENTMETRICSW MessageMetrics() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) ThrowLastError();
    return metrics;
}

// The template wants the font's size in points; the system gives pixels at
// the screen's DPI.
int PointSize(const LOGFONTW& font) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const int pixels = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    return std::max(1, MulDiv(pixels, 72, dpi));
}

}  // namespace

std::optional<std::wstring> ShowInputBox(HINSTANCE instance, HWND owner, const std::wstring& prompt,
                                         const std::wstring& title, const std::wstring& preset) {
    const LOGFONTW font = MessageMetrics().lfMessageFont;
    DialogTemplate dialog(DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU, title, font,
                          PointSize(font));
    dialog.AddControl(kStaticClass, kPromptId, SS_LEFT | SS_NOPREFIX);
    dialog.AddControl(kEditClass, kEditId, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
    dialog.AddControl(kButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP);
    dialog.AddControl(kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP);

    InputBoxData data{prompt, preset, {}};
    const INT_PTR result =
        DialogBoxIndirectParamW(instance, dialog.get(), owner, InputBoxProc, reinterpret_cast<LPARAM>(&data));
    if (result == -1) ThrowLastError();
    if (result != IDOK) return std::nullopt;
    return data.answer;
}

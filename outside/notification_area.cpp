#include "outside/notification_area.h"

#include "base/text.h"

#include <shellapi.h>

#include <cwchar>

namespace {

template <size_t N>
void CopyFitted(wchar_t (&field)[N], std::wstring_view text) {
    // The shell's fields are fixed-size: a long name is cut, never overrun.
    const std::wstring_view fitted = FitText(text, N);
    std::wmemcpy(field, fitted.data(), fitted.size());
    field[fitted.size()] = L'\0';
}

NOTIFYICONDATAW Data(TrayIconKey key, UINT flags) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = key.owner;
    data.uID = key.id;
    data.uFlags = flags;
    return data;
}

bool Notify(DWORD message, TrayIconKey key, HICON icon, std::wstring_view tip) {
    NOTIFYICONDATAW data = Data(key, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = icon;
    CopyFitted(data.szTip, tip);
    return Shell_NotifyIconW(message, &data) != FALSE;
}

}  // namespace

bool ShellNotificationArea::Add(TrayIconKey key, HICON icon, std::wstring_view tip) {
    if (!Notify(NIM_ADD, key, icon, tip)) return false;
    // Version 4: clicks arrive as NIN_SELECT and WM_CONTEXTMENU, with the
    // icon's id in the high word of lParam.
    NOTIFYICONDATAW data = Data(key, 0);
    data.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &data);
    return true;
}

bool ShellNotificationArea::Modify(TrayIconKey key, HICON icon, std::wstring_view tip) {
    return Notify(NIM_MODIFY, key, icon, tip);
}

void ShellNotificationArea::Remove(TrayIconKey key) {
    NOTIFYICONDATAW data = Data(key, 0);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

void ShellNotificationArea::ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) {
    NOTIFYICONDATAW data = Data(key, NIF_INFO);
    CopyFitted(data.szInfoTitle, title);
    CopyFitted(data.szInfo, text);
    data.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

std::optional<TrayClick> DecodeTrayCallback(LPARAM lParam) {
    const UINT id = HIWORD(lParam);
    switch (LOWORD(lParam)) {
        case NIN_SELECT:
        case NIN_KEYSELECT:
        case WM_MBUTTONUP: return TrayClick{id, false};
        case WM_CONTEXTMENU: return TrayClick{id, true};
        default: return std::nullopt;
    }
}

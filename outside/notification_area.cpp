#include "outside/notification_area.h"

#include "base/system_function.h"
#include "base/strings.h"

#include <shellapi.h>
#include <windowsx.h>

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
    return Notify(NIM_ADD, key, icon, tip);
}

bool ShellNotificationArea::SetVersion(TrayIconKey key) {
    // Version 4: clicks arrive as NIN_SELECT and WM_CONTEXTMENU, with the
    // icon's id in the high word of lParam and the anchor in wParam.
    NOTIFYICONDATAW data = Data(key, 0);
    data.uVersion = NOTIFYICON_VERSION_4;
    return Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
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
    // Nobody asked for it: it waits for the first hour of a new user and
    // for Focus Assist to be over.
    data.dwInfoFlags = NIIF_INFO | NIIF_RESPECT_QUIET_TIME;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void ShellNotificationArea::GiveBackFocus(TrayIconKey key) {
    NOTIFYICONDATAW data = Data(key, 0);
    Shell_NotifyIconW(NIM_SETFOCUS, &data);
}

int TrayIconSize() {
    // The taskbar's monitor, which is the primary one, at its own DPI (8.1
    // and later), in the metrics for that DPI (10 and later). Older systems
    // know one DPI, which GetSystemMetrics answers for.
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto dpiForMonitor = SystemFunction<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
    static const auto metricsForDpi =
        SystemFunction<GetSystemMetricsForDpiFunction>(L"user32.dll", "GetSystemMetricsForDpi");
    const HMONITOR monitor = MonitorFromWindow(FindWindowW(L"Shell_TrayWnd", nullptr), MONITOR_DEFAULTTOPRIMARY);
    UINT dpiX = 0, dpiY = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (dpiForMonitor && metricsForDpi && SUCCEEDED(dpiForMonitor(monitor, kEffectiveDpi, &dpiX, &dpiY)) && dpiX)
        return metricsForDpi(SM_CXSMICON, dpiX);
    return GetSystemMetrics(SM_CXSMICON);
}

std::optional<TrayEvent> DecodeTrayCallback(WPARAM wParam, LPARAM lParam) {
    const UINT id = HIWORD(lParam);
    // Signed: a taskbar left of or above the primary screen has negative coordinates.
    const POINT anchor{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)};
    switch (LOWORD(lParam)) {
        case NIN_SELECT:
        case NIN_KEYSELECT:
        case WM_MBUTTONUP: return TrayEvent{id, TrayEvent::Kind::Open, anchor};
        case WM_CONTEXTMENU: return TrayEvent{id, TrayEvent::Kind::Menu, anchor};
        default: return std::nullopt;
    }
}

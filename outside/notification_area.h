#pragma once
// The notification area, where the program's icons live. It knows icons,
// tooltips and balloons, nothing of files. Tests put a fake in its place.

#include <windows.h>

#include <optional>
#include <string_view>

// The message an icon sends its owner window when the user acts on it.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;

// The shell names an icon by its owner window and an id of the owner's choice.
struct TrayIconKey {
    HWND owner;
    UINT id;
};

class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    // False when the taskbar refused the icon: it may not be there yet.
    virtual bool Add(TrayIconKey key, HICON icon, std::wstring_view tip) = 0;
    virtual bool Modify(TrayIconKey key, HICON icon, std::wstring_view tip) = 0;
    virtual void Remove(TrayIconKey key) = 0;
    virtual void ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) = 0;
};

class ShellNotificationArea final : public NotificationArea {
public:
    bool Add(TrayIconKey key, HICON icon, std::wstring_view tip) override;
    bool Modify(TrayIconKey key, HICON icon, std::wstring_view tip) override;
    void Remove(TrayIconKey key) override;
    void ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) override;
};

// What the user did to which icon, from the callback message's lParam. Only
// clicks count: a plain click or Enter opens, a right click or the menu key
// asks for the menu.
struct TrayClick {
    UINT id;
    bool wantsMenu;
};
std::optional<TrayClick> DecodeTrayCallback(LPARAM lParam);

#pragma once
// The notification area, where the program's icons live. It knows icons,
// tooltips and balloons, nothing of files. Tests put a fake in its place.
//
// Every call is a message sent to the taskbar, which may be slow to answer
// or not answer at all (at logon, say); a call that timed out may still be
// carried out later. While a call waits, the taskbar's own callbacks, which
// are sent messages too, are handled on this thread.

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
    // False when the taskbar refused the icon or did not answer in time.
    virtual bool Add(TrayIconKey key, HICON icon, std::wstring_view tip) = 0;
    // Version 4 callbacks for an icon the taskbar has: an icon left at
    // version 0 sends clicks the program does not understand.
    virtual bool SetVersion(TrayIconKey key) = 0;
    // False also when the taskbar has no such icon (any more).
    virtual bool Modify(TrayIconKey key, HICON icon, std::wstring_view tip) = 0;
    virtual void Remove(TrayIconKey key) = 0;
    virtual void ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) = 0;
    // The keyboard focus back to the notification area, on this icon.
    virtual void GiveBackFocus(TrayIconKey key) = 0;
};

class ShellNotificationArea final : public NotificationArea {
public:
    bool Add(TrayIconKey key, HICON icon, std::wstring_view tip) override;
    bool SetVersion(TrayIconKey key) override;
    bool Modify(TrayIconKey key, HICON icon, std::wstring_view tip) override;
    void Remove(TrayIconKey key) override;
    void ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) override;
    void GiveBackFocus(TrayIconKey key) override;
};

// The size in pixels of the notification area's icons, which the taskbar
// draws at the DPI of its own monitor.
int TrayIconSize();

// What the user did to which icon (version 4 callbacks). A plain click or
// Enter opens, a right click or the menu key asks for the menu; the anchor is
// where a menu belongs: the pointer, or the icon when the keyboard asked.
struct TrayEvent {
    enum class Kind { Open, Menu };
    UINT id;
    Kind kind;
    POINT anchor;
};
std::optional<TrayEvent> DecodeTrayCallback(WPARAM wParam, LPARAM lParam);

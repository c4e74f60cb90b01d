#pragma once
// The tray-icon control: one instance is one icon in the notification area.

#include "app/handles.h"

#include <cstdint>
#include <memory>
#include <string>

class SysTray {
public:
    virtual ~SysTray() = default;  // takes the icon out of the notification area

    virtual void SetText(const std::wstring& text) = 0;  // the tooltip
    virtual const std::wstring& Text() const = 0;
    virtual void SetTag(const std::wstring& tag) = 0;
    virtual const std::wstring& Tag() const = 0;
    virtual void SetTrayIcon(UniqueIcon icon) = 0;
    virtual HICON TrayIcon() const = 0;

    // True puts the icon into the notification area with the current icon
    // and text; False takes it out. False then True adds it again.
    virtual void SetInTray(bool inTray) = 0;
    virtual bool InTray() const = 0;

    // After the taskbar has been recreated every icon is gone from it; this
    // adds the icon again if it should be there. False when the taskbar
    // refused it (not ready yet), so the caller can try again later.
    virtual bool Restore() = 0;

    // kind 1 is an information balloon, the only kind the program uses.
    virtual void ShowBalloon(const std::wstring& text, const std::wstring& title, int kind) = 0;
};

// The mouse button values TrayClick reports; only the right button is told apart.
enum TrayButton : std::int32_t { kTrayButtonLeft = 1, kTrayButtonRight = 2, kTrayButtonMiddle = 4 };

class SysTrayFactory {
public:
    virtual ~SysTrayFactory() = default;
    // One control for the member with this index of the icon set; its clicks
    // reach `owner` reporting that index.
    virtual std::unique_ptr<SysTray> Create(HWND owner, std::int16_t index) = 0;
};

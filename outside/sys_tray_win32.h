#pragma once
// The notification-area implementation of the tray-icon control.

#include "outside/sys_tray.h"

#include <optional>

// Icons report their clicks to their owner window as `callbackMessage`, with
// the member index as the icon's identifier.
std::unique_ptr<SysTrayFactory> MakeNotifyIconFactory(UINT callbackMessage);

struct TrayClickEvent {
    std::int16_t index;
    std::int32_t button;
};
// Which icon was clicked with which button, from the callback message's
// parameters; nothing for mouse moves, presses and the like.
std::optional<TrayClickEvent> DecodeTrayCallback(WPARAM wParam, LPARAM lParam);

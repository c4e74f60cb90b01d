#pragma once
// Where the program puts the few windows it shows. It has no visible window
// of its own to place them over, so they go to the middle of the screen.

#include <windows.h>

#include <algorithm>

// Centres a top-level window on the work area (the screen less the taskbar)
// of the monitor it is on. One taller than the work area keeps its caption
// on the screen, where the user can still take hold of it.
inline void CenterInWorkArea(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = std::max<int>(work.top + (work.bottom - work.top - height) / 2, work.top);
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

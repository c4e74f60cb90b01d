#pragma once
// A window timer that knows whether it runs, like a timer control with an
// Enabled property. Ticks arrive as WM_TIMER with the timer's id.

#include <windows.h>

class WindowTimer {
public:
    WindowTimer(UINT_PTR id, UINT intervalMs) : id_(id), interval_(intervalMs) {}
    ~WindowTimer() { SetEnabled(false); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    void Attach(HWND window) { window_ = window; }
    UINT_PTR Id() const { return id_; }
    UINT Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }

    // Without a window there is nothing to tick, so the timer stays off; it
    // counts as running only once the system has accepted it.
    void SetEnabled(bool enabled) {
        if (!window_) {
            enabled_ = false;
        } else if (enabled && !enabled_) {
            enabled_ = SetTimer(window_, id_, interval_, nullptr) != 0;
        } else if (!enabled && enabled_) {
            KillTimer(window_, id_);
            enabled_ = false;
        }
    }

private:
    HWND window_ = nullptr;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_ = false;
};

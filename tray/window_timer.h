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

    void SetEnabled(bool enabled) {
        if (enabled == enabled_ || !window_) {
            enabled_ = enabled && window_;
            return;
        }
        enabled_ = enabled ? SetTimer(window_, id_, interval_, nullptr) != 0 : (KillTimer(window_, id_), false);
    }

private:
    HWND window_ = nullptr;
    UINT_PTR id_;
    UINT interval_;
    bool enabled_ = false;
};

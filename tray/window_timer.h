#pragma once
// A window timer that knows whether it runs. Ticks arrive at the window as
// WM_TIMER with the timer's id.

#include <windows.h>

class WindowTimer {
public:
    WindowTimer(UINT_PTR id, UINT intervalMs) : id_(id), interval_(intervalMs) {}
    ~WindowTimer() { SetRunning(false); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    void Attach(HWND window) { window_ = window; }
    bool Running() const { return running_; }

    // It counts as running only once the system has accepted it.
    void SetRunning(bool run) {
        if (run && !running_ && window_) {
            running_ = SetTimer(window_, id_, interval_, nullptr) != 0;
        } else if (!run && running_) {
            KillTimer(window_, id_);
            running_ = false;
        }
    }

private:
    HWND window_ = nullptr;
    UINT_PTR id_;
    UINT interval_;
    bool running_ = false;
};

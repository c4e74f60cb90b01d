#pragma once
// Window timers. Ticks arrive at the window as WM_TIMER with the timer's id.

#include <windows.h>

#include <algorithm>

class WindowTimer {
public:
    WindowTimer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
    ~WindowTimer() { Stop(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    bool Running() const { return running_; }

    // Ticks every intervalMs from now on. It counts as running only once
    // the system has accepted it.
    void Start(UINT intervalMs) { running_ = window_ && SetTimer(window_, id_, intervalMs, nullptr) != 0; }
    void Stop() {
        if (running_) KillTimer(window_, id_);
        running_ = false;
    }

private:
    HWND window_;
    UINT_PTR id_;
    bool running_ = false;
};

// Ticks for as long as something needs another try, each a while after the
// last and twice as long as the one before, up to a limit: patient without
// ever giving up, and never a busy loop.
class RetryTimer {
public:
    RetryTimer(HWND window, UINT_PTR id, UINT firstMs, UINT longestMs)
        : timer_(window, id),
          first_(firstMs),
          longest_(longestMs),
          next_(firstMs) {}

    // A tick is due while `needed`; once not, the next wait starts short again.
    void Follow(bool needed) {
        if (!needed) {
            timer_.Stop();
            next_ = first_;
        } else if (!timer_.Running()) {
            timer_.Start(next_);
            next_ = std::min(next_ * 2, longest_);
        }
    }
    // Its tick came; Follow starts the next.
    bool Ticked() {
        const bool running = timer_.Running();
        timer_.Stop();
        return running;
    }

private:
    WindowTimer timer_;
    UINT first_, longest_, next_;
};

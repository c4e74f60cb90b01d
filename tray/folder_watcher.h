#pragma once
// Watches the elements folder through a change notification polled by a
// one-second timer: no thread of its own, and one rebuild per tick at most
// however many changes arrived since the last one.

#include "app/handles.h"
#include "tray/window_timer.h"

#include <functional>
#include <string>

class FolderWatcher {
public:
    static constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES |
                                     FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

    // How a notification is re-armed after it fired; FindNextChangeNotification
    // in the program. Its failure cannot be provoked on demand, so tests pass
    // their own.
    using Rearm = std::function<BOOL(HANDLE)>;

    explicit FolderWatcher(WindowTimer& tmrChangeWatcher, Rearm rearm = FindNextChangeNotification)
        : timer_(tmrChangeWatcher), rearm_(std::move(rearm)) {}

    // Enables the timer only when the notification could be created; without
    // one the folder stays unwatched, silently.
    void Start(const std::wstring& folder);
    // Disables the timer and closes the notification, if there is one.
    void Stop();
    bool Watching() const { return hChangeNotification.valid(); }

    // The timer's tick: when the folder changed, rebuild once, re-arm and
    // swallow what arrived meanwhile. A failed re-arm gives up watching.
    void Tick(const std::function<void()>& rebuild);

private:
    bool Signalled() const;

    WindowTimer& timer_;
    Rearm rearm_;
    UniqueChangeNotification hChangeNotification;
};

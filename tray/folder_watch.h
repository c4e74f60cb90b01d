#pragma once
// Watches the elements folder by its path. The message loop waits on the
// folder's change notification, and on its parent's, which tells when the
// folder itself is removed, renamed or made again. A change is let settle
// for a moment, so a burst of them costs one or two updates of the row.
// While the folder is missing the watch looks for it again every few seconds.

#include "base/handles.h"

#include <string>
#include <vector>

class FolderWatch {
public:
    // A change is read once nothing more has happened for this long, or at
    // the latest this long after the first of a steady stream.
    static constexpr ULONGLONG kSettleMs = 100;
    static constexpr ULONGLONG kLongestSettleMs = 1000;
    static constexpr ULONGLONG kRetryMs = 3000;

    explicit FolderWatch(std::wstring folder);

    // What the message loop waits on besides its messages.
    std::vector<HANDLE> Handles() const;
    // How long the loop may wait before asking Due; INFINITE when nothing can be.
    DWORD Timeout() const;
    // One of Handles() was signalled. It is re-armed here, before the folder
    // is read, so a change made while the row is updated is not lost.
    void Signalled(HANDLE handle);
    // True when the row is due for an update: a change has settled, or the
    // folder has come back. The notifications are opened afresh first.
    bool Due();

private:
    void Open();
    ULONGLONG DueAt() const;

    std::wstring folder_;
    UniqueChangeNotification folderChanges_;
    UniqueChangeNotification parentChanges_;
    bool changed_ = false;
    ULONGLONG firstChange_ = 0;
    ULONGLONG lastChange_ = 0;
    ULONGLONG lastTry_ = 0;
};

#include "tray/folder_watcher.h"

void FolderWatcher::Start(const std::wstring& folder) {
    hChangeNotification.reset(FindFirstChangeNotificationW(folder.c_str(), FALSE, kFilter));
    if (hChangeNotification) timer_.SetEnabled(true);
}

void FolderWatcher::Stop() {
    if (!hChangeNotification) return;
    timer_.SetEnabled(false);
    hChangeNotification.reset();
}

bool FolderWatcher::Signalled() const {
    return hChangeNotification && WaitForSingleObject(hChangeNotification.get(), 0) == WAIT_OBJECT_0;
}

void FolderWatcher::Tick(const std::function<void()>& rebuild) {
    if (!Signalled()) return;
    rebuild();
    do {
        if (!rearm_(hChangeNotification.get())) {
            Stop();
            return;
        }
    } while (Signalled());
}

#include "tray/folder_watch.h"

#include "base/text.h"

#include <algorithm>

namespace {

constexpr DWORD kFileChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES |
                               FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

}  // namespace

FolderWatch::FolderWatch(std::wstring folder) : folder_(std::move(folder)) { Open(); }

void FolderWatch::Open() {
    lastTry_ = GetTickCount64();
    if (!parentChanges_)
        parentChanges_.reset(FindFirstChangeNotificationW(FolderOf(folder_).c_str(), FALSE,
                                                          FILE_NOTIFY_CHANGE_DIR_NAME));
    // A handle on a folder that is gone would keep firing for nothing.
    if (folderChanges_ && !IsFolder(folder_)) folderChanges_.reset();
    if (!folderChanges_) folderChanges_.reset(FindFirstChangeNotificationW(folder_.c_str(), FALSE, kFileChanges));
}

std::vector<HANDLE> FolderWatch::Handles() const {
    std::vector<HANDLE> handles;
    for (const auto* notification : {&folderChanges_, &parentChanges_})
        if (*notification) handles.push_back(notification->get());
    return handles;
}

void FolderWatch::Signalled(HANDLE handle) {
    if (handle == folderChanges_.get()) {
        if (!FindNextChangeNotification(handle)) folderChanges_.reset();
    } else if (handle == parentChanges_.get()) {
        if (!FindNextChangeNotification(handle)) parentChanges_.reset();
        // The folder may have been replaced: its new self is watched afresh
        // before it is read.
        folderChanges_.reset();
    } else {
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (!changed_) firstChange_ = now;
    changed_ = true;
    lastChange_ = now;
}

ULONGLONG FolderWatch::DueAt() const {
    if (changed_) return std::min(lastChange_ + kSettleMs, firstChange_ + kLongestSettleMs);
    if (!folderChanges_ || !parentChanges_) return lastTry_ + kRetryMs;
    return ~ULONGLONG{0};
}

DWORD FolderWatch::Timeout() const {
    const ULONGLONG due = DueAt();
    if (due == ~ULONGLONG{0}) return INFINITE;
    const ULONGLONG now = GetTickCount64();
    return due > now ? static_cast<DWORD>(due - now) : 0;
}

bool FolderWatch::Due() {
    if (GetTickCount64() < DueAt()) return false;
    if (changed_) {
        changed_ = false;
        Open();
        return true;
    }
    // Looking for a folder that went away.
    const bool wasWatched = folderChanges_.valid();
    Open();
    return !wasWatched && folderChanges_.valid();
}

#pragma once
// Follows the elements folder by its path, on a thread of its own, and
// announces each listing to the window with a posted message: the row then
// follows the folder even while a menu or a box runs a loop of its own, and
// the window's thread never waits on the disk.
//
// The thread waits on change notifications of the folder (its files) and of
// each folder above it (folder names: the folder or an ancestor renamed,
// moved, removed or made again). A change is let settle for a moment, so a
// burst of them costs one or two listings. Then the folder and every
// ancestor is checked against its path by its identity, since a
// notification follows the folder it was opened on wherever that goes. A
// level that is missing is looked for again every few seconds; a folder on
// a share, where notifications may never come, is listed every half minute.

#include "base/worker_thread.h"
#include "files/folder_listing.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class FolderWatch {
public:
    // A change is listed once nothing more has happened for this long, or at
    // the latest this long after the first of a steady stream.
    static constexpr DWORD kSettleMs = 100;
    static constexpr DWORD kLongestSettleMs = 1000;
    static constexpr DWORD kRetryMs = 3000;
    static constexpr DWORD kPollMs = 30000;

    // The folder is listed at once, then after every change.
    FolderWatch(std::wstring folder, HWND window, UINT message);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The newest listing not taken yet; nullopt when none came since.
    std::optional<std::vector<FileState>> Take();
    // The folder listed again at once, changed or not ("Обновить").
    void ListNow();

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    WorkerThread thread_;
};

#include "files/folder_watch.h"

#include "base/error.h"
#include "base/lock.h"
#include "base/paths.h"

#include <algorithm>
#include <mutex>

struct FolderWatch::Shared {
    Lock lock;
    std::optional<std::vector<FileState>> listing;
    UniqueHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle listNow{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    // Without them the thread could neither be stopped nor wait.
    Shared() {
        if (!stop || !listNow) ThrowLastError();
    }
};

namespace {

constexpr DWORD kFileChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                               FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr size_t kMostAncestors = 16;

// Which folder a path names now: the same path may name another folder, or a
// file, after a rename or a delete above it.
struct Identity {
    DWORD volume;
    ULONGLONG index;
    friend bool operator==(const Identity&, const Identity&) = default;
};

std::optional<Identity> IdentityOf(const std::wstring& path) {
    const UniqueFile folder(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !GetFileInformationByHandle(folder.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return std::nullopt;
    return Identity{info.dwVolumeSerialNumber,
                    (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool IsOnNetwork(const std::wstring& folder) {
    if (folder.rfind(L"\\\\", 0) == 0) return folder.rfind(L"\\\\?\\", 0) != 0 && folder.rfind(L"\\\\.\\", 0) != 0;
    return folder.size() >= 3 && GetDriveTypeW(folder.substr(0, 3).c_str()) == DRIVE_REMOTE;
}

// A "\\server" above a share is no folder to watch.
bool IsServerName(const std::wstring& path) {
    return path.rfind(L"\\\\", 0) == 0 && path.find(L'\\', 2) == std::wstring::npos;
}

struct Level {
    std::wstring path;
    DWORD filter;
    UniqueChangeNotification changes;
    std::optional<Identity> identity;  // of the folder `changes` follows
};

class Watcher {
public:
    Watcher(std::shared_ptr<FolderWatch::Shared> shared, const std::wstring& folder, HWND window, UINT message)
        : shared_(std::move(shared)),
          window_(window),
          message_(message),
          network_(IsOnNetwork(folder)) {
        levels_.push_back({folder, kFileChanges, {}, {}});
        for (std::wstring path = FolderOf(folder); levels_.size() <= kMostAncestors; path = FolderOf(path)) {
            if (path.empty() || path == levels_.back().path || IsServerName(path)) break;
            levels_.push_back({path, FILE_NOTIFY_CHANGE_DIR_NAME, {}, {}});
        }
    }

    void Run() {
        Reopen();
        List(true);
        for (;;) {
            std::vector<HANDLE> handles = {shared_->stop.get(), shared_->listNow.get()};
            std::vector<Level*> signalling;
            for (Level& level : levels_) {
                if (!level.changes) continue;
                handles.push_back(level.changes.get());
                signalling.push_back(&level);
            }
            const DWORD woke =
                WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, Timeout());
            if (woke == WAIT_OBJECT_0) return;
            if (woke == WAIT_OBJECT_0 + 1) {
                Reopen();
                List(true);
            } else if (woke >= WAIT_OBJECT_0 + 2 && woke < WAIT_OBJECT_0 + handles.size()) {
                Signalled(*signalling[woke - WAIT_OBJECT_0 - 2]);
            } else if (woke == WAIT_TIMEOUT) {
                Look();
            } else if (WaitForSingleObject(shared_->stop.get(), FolderWatch::kRetryMs) == WAIT_OBJECT_0) {
                return;  // the wait itself failed: nothing better than to try again later
            }
        }
    }

private:
    // Re-armed at once, before anything reads the folder, so that a change
    // made while the row is updated signals again.
    void Signalled(Level& level) {
        if (!FindNextChangeNotification(level.changes.get())) level.changes.reset();
        const ULONGLONG now = GetTickCount64();
        if (!changed_) firstChange_ = now;
        changed_ = true;
        lastChange_ = now;
    }

    ULONGLONG DueAt() const {
        if (changed_)
            return std::min(lastChange_ + FolderWatch::kSettleMs, firstChange_ + FolderWatch::kLongestSettleMs);
        const bool missing = std::any_of(levels_.begin(), levels_.end(), [](const Level& l) { return !l.identity; });
        if (missing) return lastLook_ + FolderWatch::kRetryMs;
        if (network_ || !levels_[0].changes) return lastLook_ + FolderWatch::kPollMs;
        return ~ULONGLONG{0};
    }

    DWORD Timeout() const {
        const ULONGLONG due = DueAt(), now = GetTickCount64();
        if (due == ~ULONGLONG{0}) return INFINITE;
        return due > now ? static_cast<DWORD>(due - now) : 0;
    }

    void Look() {
        const bool changed = std::exchange(changed_, false);
        // A listing after a change goes to the row even when it looks the
        // same; one made only to look again goes when something differs.
        const bool moved = Reopen();
        List(changed || moved);
    }

    // Each level whose path now names another folder, or none, is watched
    // afresh. True when the folder itself is another one than before.
    bool Reopen() {
        lastLook_ = GetTickCount64();
        bool moved = false;
        for (Level& level : levels_) {
            std::optional<Identity> now = IdentityOf(level.path);
            if (level.changes && now == level.identity) continue;
            if (&level == &levels_[0] && now != level.identity) moved = true;
            level.identity = now;
            level.changes.reset(now ? FindFirstChangeNotificationW(level.path.c_str(), FALSE, level.filter)
                                    : INVALID_HANDLE_VALUE);
        }
        return moved;
    }

    void List(bool always) {
        std::optional<std::vector<FileState>> listing = ListElementFiles(levels_[0].path);
        // A folder that cannot be read now keeps the row it had.
        if (!listing || (!always && listing == posted_)) return;
        posted_ = listing;
        {
            const std::lock_guard locked(shared_->lock);
            shared_->listing = std::move(listing);
        }
        PostMessageW(window_, message_, 0, 0);
    }

    std::shared_ptr<FolderWatch::Shared> shared_;
    HWND window_;
    UINT message_;
    bool network_;
    std::vector<Level> levels_;  // the folder, then each folder above it
    bool changed_ = false;
    ULONGLONG firstChange_ = 0, lastChange_ = 0, lastLook_ = 0;
    std::optional<std::vector<FileState>> posted_;
};

}  // namespace

FolderWatch::FolderWatch(std::wstring folder, HWND window, UINT message)
    : shared_(std::make_shared<Shared>()),
      thread_([shared = shared_, folder = std::move(folder), window, message] {
          Watcher(shared, folder, window, message).Run();
      }) {}

FolderWatch::~FolderWatch() { SetEvent(shared_->stop.get()); }

std::optional<std::vector<FileState>> FolderWatch::Take() {
    const std::lock_guard locked(shared_->lock);
    return std::exchange(shared_->listing, std::nullopt);
}

void FolderWatch::ListNow() { SetEvent(shared_->listNow.get()); }

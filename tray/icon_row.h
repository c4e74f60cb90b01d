#pragma once
// The row of notification-area icons: the main icon, then one icon per file
// lying in the elements folder. It follows the folder by difference, so an
// unchanged file's icon is never touched, and each icon's id comes from its
// file's name, so a file keeps its id (and with it what Windows remembers of
// the icon) across updates and runs.

#include "base/handles.h"
#include "outside/notification_area.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the folder listing tells of one file: enough to see it changed. A
// file replaced by another of the same name differs in its creation time.
struct FileState {
    std::wstring name;
    ULONGLONG size = 0;
    ULONGLONG lastWrite = 0;
    ULONGLONG created = 0;
    friend bool operator==(const FileState&, const FileState&) = default;
};

// The files lying directly in the folder that become elements: no folders,
// no hidden files. Empty when there is no folder; nullopt when it cannot be read.
std::optional<std::vector<FileState>> ListElementFiles(const std::wstring& folder);

// How a listing differs from the row: the row's files that are gone, the
// (row, listing) pairs that changed (letter case of the name included), and
// the listing's new files, in listing order. Names match as Windows matches them.
struct RowChanges {
    std::vector<size_t> gone;
    std::vector<std::pair<size_t, size_t>> changed;
    std::vector<size_t> added;
    bool empty() const { return gone.empty() && changed.empty() && added.empty(); }
};
RowChanges CompareRow(const std::vector<FileState>& row, const std::vector<FileState>& listing);

// The tooltip of an element: its file name, less ".lnk", ".pif" or ".url".
std::wstring DisplayName(const std::wstring& fileName);

// The notification area's icon size for the window's DPI.
int TrayIconSize(HWND window);

struct Element {
    UINT id;
    FileState file;
    std::wstring path;
    UniqueIcon icon;
};

class IconRow {
public:
    static constexpr UINT kMainIconId = 0;
    // A click reports its icon's id in 16 bits; the row stays well short of
    // using them all, and files past this many get no icon.
    static constexpr size_t kMaxElements = 32767;

    IconRow(NotificationArea& area, HWND owner, std::wstring folder);
    ~IconRow();
    IconRow(const IconRow&) = delete;
    IconRow& operator=(const IconRow&) = delete;

    void ShowMainIcon();
    // The whole row anew, in folder order: start-up and "Обновить".
    void Rebuild();
    // Only what changed in the folder since the last look; new files join
    // the end of the row.
    void Update();
    // Each element icon taken out and put back (Anti-Hide).
    void Readd();
    // Every icon added again after the taskbar came back; false while it refuses.
    bool Restore();
    // Every icon loaded again at the notification area's size (a new DPI).
    void ReloadIcons();
    // Every icon out of the notification area: the program ends.
    void RemoveAll();

    // The element with that icon id; null when no file has it any more.
    const Element* Find(UINT id) const;
    const std::vector<Element>& Elements() const { return elements_; }

private:
    TrayIconKey Key(UINT id) const { return {owner_, id}; }
    void Add(const FileState& file, UINT id);
    void Change(Element& element, const FileState& file);
    void ReloadIcon(Element& element);
    void RemoveElements();
    void ShowBalloonIfEmpty();

    NotificationArea& area_;
    HWND owner_;
    std::wstring folder_;
    int iconSize_;
    UniqueIcon mainIcon_;
    bool mainShown_ = false;
    std::vector<Element> elements_;
};

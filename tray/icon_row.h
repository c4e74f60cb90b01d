#pragma once
// The row of notification-area icons: the main icon, then one icon per file
// lying in the elements folder, in folder order.
//
// The row is what the taskbar should show; Step brings the taskbar up to
// date a few calls at a time, so that the loop answers clicks between them
// however long the row. Every call to the taskbar may wait, and while it
// waits the taskbar's callbacks are handled on this thread: nothing may
// change the row then (Busy), and its owner keeps such changes for later.
//
// An element shows its type's icon at once and its own as soon as the icon
// worker has read it. Its id is its file's for good (IconIdBook), so what
// Windows remembers of an icon stays with its file.

#include "base/handles.h"
#include "base/user_texts.h"
#include "environment/icon_ids.h"
#include "files/folder_listing.h"
#include "files/icon_reader.h"
#include "outside/notification_area.h"
#include "tray/shortcut_keys.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Where an icon stands with the taskbar.
enum class TraySync {
    Done,     // the taskbar shows it as it is
    Add,      // never shown yet
    Modify,   // shown, with an older icon or tooltip
    Verify,   // may or may not be there: modified if it is, added if not
    Missing,  // the taskbar refused it; RetryMissing tries again
};

struct Element {
    UINT id;
    FileState file;
    std::wstring path;
    std::wstring tip;
    UniqueIcon icon;          // its own, once read; until then its type's stands in
    unsigned generation = 0;  // of the last reading asked for
    bool reading = false;     // a reading is under way
    bool outOfReach = false;  // its icon could not be read; worth another try
    bool remote =
        false;  // it points to another machine, which is asked again only when the user or the network has news
    WORD hotkey = 0;
    TraySync sync = TraySync::Add;
};

// The tooltip of an element: its file name, less ".lnk", ".pif" or ".url".
std::wstring DisplayName(const std::wstring& fileName);

class IconRow {
public:
    static constexpr UINT kMainIconId = 0;
    // Every icon costs a USER object and two GDI bitmaps in this process and
    // as many again in Explorer, whose icons of every program share one
    // quota of 10,000 of each (and «Элементы» draws one more bitmap per file
    // while it is open). Files past this many get no icon, and the main
    // icon's tooltip says so.
    static constexpr size_t kMaxElements = 2500;
    // How long one step may keep the loop from answering the user.
    static constexpr ULONGLONG kStepMs = 30;

    // Readings of icons are announced to the owner with readMessage; the
    // icons' ids are kept in idBookFile; whenFree is called each time the
    // row stops being busy.
    IconRow(NotificationArea& area, HWND owner, std::wstring folder, std::shared_ptr<FileIcons> icons, UINT readMessage,
            std::wstring idBookFile = {}, std::function<void()> whenFree = {});
    ~IconRow();
    IconRow(const IconRow&) = delete;
    IconRow& operator=(const IconRow&) = delete;

    // The row made to follow a listing of the folder: only what changed, new
    // files at the end; anew ("Обновить"), every icon also read again and
    // given to the taskbar again where it stands.
    void Apply(const std::vector<FileState>& listing, bool anew);
    // The icons (and shortcut keys) the worker has read.
    void TakeReadings();
    // Icons loaded again where the notification area's size has changed.
    void Reload();
    // Every icon checked: modified where the taskbar still has it, added
    // where it lost it (a new taskbar, Anti-Hide).
    void Restore();
    // Icons the taskbar refused, tried again.
    void RetryMissing();
    // Icons whose file could not be read, read again; those that point to
    // another machine only when `remoteToo` (the user asked, a drive came,
    // the network changed), never on a timer.
    void RetryReadings(bool remoteToo);

    // A few calls to the taskbar; true while more are due.
    bool Step();
    bool Busy() const { return busy_ != 0; }
    // Some icon the taskbar refused.
    bool Missing() const;
    // Some icon worth another try on a timer: out of reach, not on another machine.
    bool OutOfReach() const;

    // Every icon out of the notification area: the program ends.
    void RemoveAll();
    void GiveBackFocus(UINT id);

    // The element with that icon id (or hotkey id); null when no file has it any more.
    const Element* Find(UINT id) const;
    const Element* FindByHotkey(WPARAM hotkeyId) const;
    const std::vector<Element>& Elements() const { return elements_; }
    // What the element shows: its own icon, or its type's until that is read.
    HICON IconOf(const Element& element);
    // Pressing the element's shortcut key opens it.
    bool KeyWorks(const Element& element) const { return keys_.StateOf(element.id) == KeyState::Registered; }

private:
    TrayIconKey Key(UINT id) const { return {owner_, id}; }
    Element* FindElement(UINT id);
    void Read(Element& element);
    void SetHotkey(Element& element, WORD hotkey);
    void SetKeyOf(UINT id, WORD hotkey);
    // The tooltip from the file's name, and why its key does not open it.
    void UpdateTip(Element& element);
    std::wstring KeyTrouble(const Element& element) const;
    bool StepOnce();
    // Brings one icon to the taskbar as `sync` says; its state afterwards.
    TraySync Sync(TraySync sync, UINT id, HICON icon, const std::wstring& tip);
    template <class Call>
    auto Calling(Call call);

    NotificationArea& area_;
    HWND owner_;
    std::wstring folder_;
    std::shared_ptr<FileIcons> icons_;
    IconReader reader_;
    ShortcutKeys keys_;
    int iconSize_;
    UniqueIcon mainIcon_;
    std::wstring mainTip_ = texts::kMainIconTip;
    TraySync mainSync_ = TraySync::Add;
    std::vector<Element> elements_;
    std::vector<UINT> removals_;  // ids the taskbar still shows, of files gone
    bool balloonDue_ = false;
    unsigned lastGeneration_ = 0;
    IconIdBook ids_;
    int busy_ = 0;
    std::function<void()> whenFree_;
    std::unordered_map<std::wstring, UniqueIcon> typeIcons_;  // by folded extension
};

#include "tray/icon_row.h"

#include "base/error.h"
#include "base/program.h"
#include "base/system_function.h"
#include "base/paths.h"
#include "base/strings.h"
#include "base/user_texts.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kShortExtensions{L"LNK", L"PIF", L"URL"};

// Files whose data would be fetched to draw their icon (cloud files, files
// kept offline) keep the icon of their type.
constexpr DWORD kRecallOnDataAccess = 0x00400000;  // FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
constexpr DWORD kNotFetched = FILE_ATTRIBUTE_OFFLINE | kRecallOnDataAccess;

// The taskbar's copy of an icon is out of date; one it has not got yet, or
// is to be checked anyway, gets the icon as it is when its turn comes.
void Outdate(TraySync& sync) {
    if (sync == TraySync::Done) sync = TraySync::Modify;
}

// The resource holds images for each common DPI: the exact one, or the next
// larger scaled down, never a smaller one blown up. Common controls 6 has
// the function; MinGW's import library does not name it.
UniqueIcon LoadMainIcon(int size) {
    using LoadIconWithScaleDownFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown =
        SystemFunction<LoadIconWithScaleDownFunction>(L"comctl32.dll", "LoadIconWithScaleDown");
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = nullptr;
    if (!scaleDown || FAILED(scaleDown(instance, program::kMainIconResource, size, size, &icon)))
        icon = static_cast<HICON>(LoadImageW(instance, program::kMainIconResource, IMAGE_ICON, size, size, 0));
    if (!icon) ThrowLastError();
    return UniqueIcon(icon);
}

}  // namespace

std::wstring DisplayName(const std::wstring& fileName) {
    std::wstring name = fileName;
    const std::wstring extension = ExtensionOf(name);
    for (const wchar_t* cut : kShortExtensions) {
        // A file called just ".lnk" keeps its name: an empty tooltip would
        // leave its icon nameless.
        if (EqualsIgnoreCase(extension, cut) && name.size() > extension.size() + 1) {
            name.resize(name.size() - extension.size() - 1);
            break;
        }
    }
    return name;
}

IconRow::IconRow(NotificationArea& area, HWND owner, std::wstring folder, std::shared_ptr<FileIcons> icons,
                 UINT readMessage, std::wstring idBookFile, std::function<void()> whenFree)
    : area_(area),
      owner_(owner),
      folder_(std::move(folder)),
      icons_(std::move(icons)),
      reader_(icons_, owner, readMessage),
      keys_(owner),
      iconSize_(TrayIconSize()),
      mainIcon_(LoadMainIcon(iconSize_)),
      ids_(std::move(idBookFile)),
      whenFree_(std::move(whenFree)) {}

IconRow::~IconRow() { RemoveAll(); }

template <class Call>
auto IconRow::Calling(Call call) {
    ++busy_;
    const ScopeExit done([this] {
        if (--busy_ == 0 && whenFree_) whenFree_();
    });
    return call();
}

void IconRow::Apply(const std::vector<FileState>& listing, bool anew) {
    // Readings asked for before are of no use: every file is read again.
    if (anew) reader_.Clear();
    const unsigned askedBefore = lastGeneration_;
    std::vector<FileState> row;
    row.reserve(elements_.size());
    for (const Element& element : elements_) row.push_back(element.file);
    const RowChanges changes = CompareRow(row, listing);

    for (const auto& [inRow, inListing] : changes.changed) {
        Element& element = elements_[inRow];
        // Renamed in place, or only in its letters' case: the id goes with the file.
        ids_.Rename(element.file.name, listing[inListing].name);
        element.file = listing[inListing];
        element.path = JoinPath(folder_, element.file.name);
        // A shortcut given a new target shows the target's icon; the old
        // icon stays until the new one is read.
        Read(element);
        UpdateTip(element);
    }
    for (auto gone = changes.gone.rbegin(); gone != changes.gone.rend(); ++gone) {
        const auto at = elements_.begin() + static_cast<std::ptrdiff_t>(*gone);
        if (at->sync != TraySync::Add) removals_.push_back(at->id);
        const UINT id = at->id;
        ids_.Release(at->file.name);
        elements_.erase(at);
        SetKeyOf(id, 0);
    }
    // "Обновить": every icon keeps its id and its place in the taskbar and is
    // given to it again (added only where the taskbar lost it), with its own
    // icon and key read anew; a key another program held is tried again.
    // Deleted and added, each icon would blink and lose its place.
    if (anew) {
        for (Element& element : elements_) {
            if (element.generation <= askedBefore) Read(element);
            if (keys_.StateOf(element.id) == KeyState::Program) SetKeyOf(element.id, 0);
            Outdate(element.sync);
        }
        RetryMissing();
    }
    // As many as the row has room for, in listing order; ids in name order,
    // so that new names get the same ids however the folder lists them.
    const std::vector<size_t> added(
        changes.added.begin(), changes.added.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                           changes.added.size(), kMaxElements - elements_.size())));
    size_t leftOut = changes.added.size() - added.size();
    std::vector<size_t> byName = added;
    std::sort(byName.begin(), byName.end(), [&](size_t a, size_t b) { return listing[a].name < listing[b].name; });
    std::vector<UINT> ids(listing.size());
    for (const size_t i : byName) ids[i] = ids_.Take(listing[i].name);
    for (const size_t i : added) {
        if (ids[i] == 0) {
            ++leftOut;
            continue;
        }
        Element element{ids[i], listing[i], JoinPath(folder_, listing[i].name), DisplayName(listing[i].name), {}};
        Read(elements_.emplace_back(std::move(element)));
    }
    std::wstring mainTip = texts::kMainIconTip;
    if (leftOut != 0) mainTip += L"\n" + FillIn(texts::kFilesLeftOut, Digits(kMaxElements));
    if (mainTip != mainTip_) {
        mainTip_ = std::move(mainTip);
        Outdate(mainSync_);
    }
    balloonDue_ = elements_.empty() && (balloonDue_ || anew || !changes.empty());
    ids_.Save();
}

void IconRow::TakeReadings() {
    for (IconReading& reading : reader_.Take()) {
        Element* element = FindElement(reading.id);
        // Read for a file that has changed since, or gone.
        if (!element || element->generation != reading.generation) continue;
        element->reading = false;
        element->outOfReach = reading.file.outOfReach;
        element->remote = reading.file.remote;
        if (reading.file.icon) {
            element->icon = std::move(reading.file.icon);
            Outdate(element->sync);
        }
        SetHotkey(*element, reading.file.hotkey);
    }
}

void IconRow::Reload() {
    const int size = TrayIconSize();
    if (size == iconSize_) return;
    iconSize_ = size;
    mainIcon_ = LoadMainIcon(size);
    Outdate(mainSync_);
    typeIcons_.clear();
    for (Element& element : elements_) {
        // Another machine is not asked for the sake of a sharper icon: the
        // taskbar scales the one it has.
        if (!element.remote) Read(element);
        Outdate(element.sync);
    }
}

void IconRow::Restore() {
    const auto check = [](TraySync& sync) {
        if (sync != TraySync::Add) sync = TraySync::Verify;
    };
    check(mainSync_);
    for (Element& element : elements_) check(element.sync);
}

void IconRow::RetryMissing() {
    const auto retry = [](TraySync& sync) {
        if (sync == TraySync::Missing) sync = TraySync::Verify;
    };
    retry(mainSync_);
    for (Element& element : elements_) retry(element.sync);
}

void IconRow::RetryReadings(bool remoteToo) {
    for (Element& element : elements_)
        if (element.outOfReach && !element.reading && (remoteToo || !element.remote)) Read(element);
}

bool IconRow::Missing() const {
    return mainSync_ == TraySync::Missing || std::any_of(elements_.begin(), elements_.end(),
                                                         [](const Element& e) { return e.sync == TraySync::Missing; });
}

bool IconRow::OutOfReach() const {
    return std::any_of(elements_.begin(), elements_.end(), [](const Element& e) { return e.outOfReach && !e.remote; });
}

bool IconRow::Step() {
    const ULONGLONG end = GetTickCount64() + kStepMs;
    for (;;) {
        if (!StepOnce()) return false;
        if (GetTickCount64() >= end) return true;
    }
}

bool IconRow::StepOnce() {
    const auto due = [](TraySync sync) { return sync != TraySync::Done && sync != TraySync::Missing; };
    if (!removals_.empty()) {
        const UINT id = removals_.back();
        removals_.pop_back();
        Calling([&] { area_.Remove(Key(id)); });
        return true;
    }
    // The main icon first: without it the program cannot be reached at all.
    if (due(mainSync_)) {
        mainSync_ = Sync(mainSync_, kMainIconId, mainIcon_.get(), mainTip_);
        return true;
    }
    if (balloonDue_ && mainSync_ == TraySync::Done) {
        balloonDue_ = false;
        Calling([&] {
            area_.ShowBalloon(Key(kMainIconId), texts::kAppTitle, FillIn(texts::kNoElements, Quoted(folder_)));
        });
        return true;
    }
    // Without the main icon the taskbar is not ready: the elements wait for
    // the next try rather than each wait for it in vain.
    if (mainSync_ != TraySync::Done) return false;
    const auto next = std::find_if(elements_.begin(), elements_.end(), [&](const Element& e) { return due(e.sync); });
    if (next == elements_.end()) return false;
    next->sync = Sync(next->sync, next->id, IconOf(*next), next->tip);
    return true;
}

TraySync IconRow::Sync(TraySync sync, UINT id, HICON icon, const std::wstring& tip) {
    const TrayIconKey key = Key(id);
    return Calling([&] {
        // An icon found where it was not expected may come from an add that
        // timed out and was done after all: it gets its version too.
        const bool modified = sync != TraySync::Add && area_.Modify(key, icon, tip) &&
                              (sync == TraySync::Modify || area_.SetVersion(key));
        const bool present = modified || (area_.Add(key, icon, tip) && area_.SetVersion(key));
        return present ? TraySync::Done : TraySync::Missing;
    });
}

void IconRow::RemoveAll() {
    Calling([&] {
        for (const Element& element : elements_)
            if (element.sync != TraySync::Add) area_.Remove(Key(element.id));
        for (const UINT id : removals_) area_.Remove(Key(id));
        if (mainSync_ != TraySync::Add) area_.Remove(Key(kMainIconId));
    });
    for (const Element& element : elements_) keys_.Set(element.id, 0);
    elements_.clear();
    removals_.clear();
    mainSync_ = TraySync::Add;
}

void IconRow::GiveBackFocus(UINT id) {
    Calling([&] { area_.GiveBackFocus(Key(id)); });
}

const Element* IconRow::Find(UINT id) const {
    const auto found = std::find_if(elements_.begin(), elements_.end(), [id](const Element& e) { return e.id == id; });
    return found != elements_.end() ? &*found : nullptr;
}

Element* IconRow::FindElement(UINT id) { return const_cast<Element*>(Find(id)); }

const Element* IconRow::FindByHotkey(WPARAM hotkeyId) const {
    const auto element = keys_.ElementOf(hotkeyId);
    return element ? Find(*element) : nullptr;
}

void IconRow::Read(Element& element) {
    element.outOfReach = false;
    element.reading = (element.file.attributes & kNotFetched) == 0;
    if (!element.reading) return;
    element.generation = ++lastGeneration_;
    reader_.Read({element.id, element.generation, element.path, iconSize_});
}

HICON IconRow::IconOf(const Element& element) {
    if (element.icon) return element.icon.get();
    const std::wstring type = FoldCase(ExtensionOf(element.file.name));
    if (const auto known = typeIcons_.find(type); known != typeIcons_.end()) return known->second.get();
    // The shell may run a loop of its own meanwhile, and the caller may be
    // walking the row: nothing may change it until the shell is done.
    UniqueIcon icon = Calling([&] { return icons_->TypeIcon(element.file.name, iconSize_); });
    return typeIcons_.emplace(type, std::move(icon)).first->second.get();
}

void IconRow::SetHotkey(Element& element, WORD hotkey) {
    element.hotkey = hotkey;
    SetKeyOf(element.id, hotkey);
}

void IconRow::SetKeyOf(UINT id, WORD hotkey) {
    // A key let go passes to another element, and the tooltips of those
    // that wait for it name the one that holds it now.
    for (const UINT other : keys_.Set(id, hotkey))
        if (Element* element = FindElement(other)) UpdateTip(*element);
    if (Element* element = FindElement(id)) UpdateTip(*element);
}

std::wstring IconRow::KeyTrouble(const Element& element) const {
    const std::wstring key = HotkeyName(element.hotkey);
    switch (keys_.StateOf(element.id)) {
        case KeyState::Plain: return FillIn(texts::kHotkeyPlain, key);
        case KeyState::Program: return FillIn(texts::kHotkeyTaken, key);
        case KeyState::Element: {
            const auto holder = keys_.HolderOf(element.id);
            const Element* other = holder ? Find(*holder) : nullptr;
            return FillIn(texts::kHotkeyHeld, key, Quoted(other ? DisplayName(other->file.name) : std::wstring()));
        }
        default: return {};
    }
}

void IconRow::UpdateTip(Element& element) {
    std::wstring tip = DisplayName(element.file.name);
    if (const std::wstring trouble = KeyTrouble(element); !trouble.empty()) tip += L"\n" + trouble;
    if (tip == element.tip) return;
    element.tip = std::move(tip);
    Outdate(element.sync);
}

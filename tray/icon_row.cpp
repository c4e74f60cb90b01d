#include "tray/icon_row.h"

#include "base/error.h"
#include "base/program.h"
#include "base/system_function.h"
#include "base/text.h"
#include "base/texts.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

// FNV-1a over the name as Windows compares it, folded to the 16 bits a
// click can report, and never the main icon's 0.
UINT PreferredId(std::wstring_view fileName) {
    std::uint32_t hash = 2166136261u;
    for (const wchar_t c : FoldCase(fileName)) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 16777619u;
    }
    const UINT id = (hash ^ (hash >> 16)) & 0xFFFF;
    return id != IconRow::kMainIconId ? id : 1;
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
                 UINT readMessage)
    : area_(area),
      owner_(owner),
      folder_(std::move(folder)),
      reader_(std::move(icons), owner, readMessage),
      keys_(owner),
      iconSize_(TrayIconSize()),
      mainIcon_(LoadMainIcon(iconSize_)) {}

IconRow::~IconRow() { RemoveAll(); }

template <class Call>
auto IconRow::Calling(Call call) {
    ++busy_;
    const ScopeExit done([this] { --busy_; });
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
        element.file = listing[inListing];
        element.path = JoinPath(folder_, element.file.name);
        idsByName_[element.file.name] = element.id;
        // A shortcut given a new target shows the target's icon; the old
        // icon stays until the new one is read.
        Read(element);
        UpdateTip(element);
    }
    for (auto gone = changes.gone.rbegin(); gone != changes.gone.rend(); ++gone) {
        const auto at = elements_.begin() + static_cast<std::ptrdiff_t>(*gone);
        if (at->sync != TraySync::Add) removals_.push_back(at->id);
        keys_.Set(at->id, 0);
        elements_.erase(at);
    }
    // "Обновить": every icon keeps its id and its place in the taskbar and is
    // given to it again (added only where the taskbar lost it), with its own
    // icon and key read anew; a key another program held is tried again.
    // Deleted and added, each icon would blink and lose its place.
    if (anew) {
        for (Element& element : elements_) {
            if (element.generation <= askedBefore) Read(element);
            if (element.hotkeyTaken) keys_.Set(element.id, 0);
            Outdate(element.sync);
        }
        RetryMissing();
    }
    // Ids in name order, so that the same names get the same ids however the
    // folder happens to list them; places in the row in listing order.
    std::vector<size_t> byName = changes.added;
    std::sort(byName.begin(), byName.end(), [&](size_t a, size_t b) { return listing[a].name < listing[b].name; });
    std::vector<UINT> ids(listing.size());
    for (const size_t i : byName) ids[i] = IdFor(listing[i].name);
    for (const size_t i : changes.added) {
        if (elements_.size() >= kMaxElements || ids[i] == 0) break;
        Element element{ids[i], listing[i], JoinPath(folder_, listing[i].name), DisplayName(listing[i].name), {}};
        Read(elements_.emplace_back(std::move(element)));
    }
    balloonDue_ = elements_.empty() && (balloonDue_ || anew || !changes.empty());
}

void IconRow::TakeReadings() {
    for (IconReading& reading : reader_.Take()) {
        Element* element = FindElement(reading.id);
        // Read for a file that has changed since, or gone.
        if (!element || element->generation != reading.generation) continue;
        element->reading = false;
        element->outOfReach = reading.icon.outOfReach;
        if (reading.icon.icon) {
            element->icon = std::move(reading.icon.icon);
            Outdate(element->sync);
        }
        SetHotkey(*element, reading.hotkey);
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
        Read(element);
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

void IconRow::RetryReadings() {
    for (Element& element : elements_)
        if (element.outOfReach && !element.reading) Read(element);
}

bool IconRow::Missing() const {
    return mainSync_ == TraySync::Missing ||
           std::any_of(elements_.begin(), elements_.end(), [](const Element& e) { return e.sync == TraySync::Missing; });
}

bool IconRow::OutOfReach() const {
    return std::any_of(elements_.begin(), elements_.end(), [](const Element& e) { return e.outOfReach; });
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
        mainSync_ = Sync(mainSync_, kMainIconId, mainIcon_.get(), texts::kMainIconTip);
        return true;
    }
    if (balloonDue_ && mainSync_ == TraySync::Done) {
        balloonDue_ = false;
        Calling([&] { area_.ShowBalloon(Key(kMainIconId), texts::kAppTitle, FillIn(texts::kNoElements, Quoted(folder_))); });
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

UINT IconRow::IdFor(const std::wstring& name) {
    // A name seen before gets its id back, unless a file whose name folds
    // alike holds it now.
    if (const auto known = idsByName_.find(name); known != idsByName_.end() && !Find(known->second))
        return known->second;
    // Never an id another file had in this session: a click queued for its
    // icon, or what Windows remembers of it, would go to this file.
    if (idsGiven_.size() >= 0xFFFF) return 0;
    UINT id = PreferredId(name);
    while (idsGiven_.count(id) != 0) id = id % 0xFFFF + 1;
    idsGiven_.insert(id);
    idsByName_[name] = id;
    return id;
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
    UniqueIcon& typeIcon = typeIcons_[FoldCase(ExtensionOf(element.file.name))];
    if (!typeIcon) typeIcon = TypeIcon(element.file.name, iconSize_);
    return typeIcon.get();
}

void IconRow::SetHotkey(Element& element, WORD hotkey) {
    element.hotkeyTaken = !keys_.Set(element.id, hotkey);
    element.hotkey = hotkey;
    UpdateTip(element);
}

void IconRow::UpdateTip(Element& element) {
    std::wstring tip = DisplayName(element.file.name);
    if (element.hotkeyTaken) tip += L"\n" + FillIn(texts::kHotkeyTaken, HotkeyName(element.hotkey));
    if (tip == element.tip) return;
    element.tip = std::move(tip);
    Outdate(element.sync);
}

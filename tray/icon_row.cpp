#include "tray/icon_row.h"

#include "base/error.h"
#include "base/program.h"
#include "base/text.h"
#include "base/texts.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr std::array kShortExtensions{L"LNK", L"PIF", L"URL"};

ULONGLONG Join(DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; }
ULONGLONG Join(const FILETIME& time) { return Join(time.dwHighDateTime, time.dwLowDateTime); }

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

// Ids for the files of the listing at `which`, none of them `taken`: each
// file's preferred id, or when another holds it the next free one. They are
// handed out in name order, so that the same files get the same ids however
// the folder happens to list them.
std::vector<UINT> NewIds(const std::vector<FileState>& listing, std::vector<size_t> which,
                         std::unordered_set<UINT> taken) {
    std::vector<std::wstring> folded(listing.size());
    for (const size_t i : which) folded[i] = FoldCase(listing[i].name);
    std::vector<size_t> byName = which;
    std::sort(byName.begin(), byName.end(), [&](size_t a, size_t b) { return folded[a] < folded[b]; });
    std::vector<UINT> ids(listing.size());
    for (const size_t i : byName) {
        UINT id = PreferredId(listing[i].name);
        while (taken.count(id) != 0) id = id % 0xFFFF + 1;
        taken.insert(ids[i] = id);
    }
    std::vector<UINT> inOrder;
    for (const size_t i : which) inOrder.push_back(ids[i]);
    return inOrder;
}

// The shell's small icon when that is the notification area's size, its
// large one when the area wants more: the taskbar scales it down as it draws.
UniqueIcon LoadFileIcon(const std::wstring& path, int size) {
    const UINT flags = SHGFI_ICON | (size > GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    SHFILEINFOW info{};
    SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, flags);
    UniqueIcon icon(info.hIcon);
    if (icon) return icon;
    // A file whose own icon cannot be read (a path too long for the shell, no
    // right to read it) still belongs in the row, with the icon of its type.
    // One that went away meanwhile does not.
    if (!Exists(L"\\\\?\\" + path)) return {};
    // Only the extension matters here; a long name would not fit the shell.
    const std::wstring extension = ExtensionOf(path);
    const std::wstring typeOnly = extension.empty() ? L"file" : L"file." + extension;
    SHGetFileInfoW(typeOnly.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags | SHGFI_USEFILEATTRIBUTES);
    return UniqueIcon(info.hIcon);
}

}  // namespace

std::optional<std::vector<FileState>> ListElementFiles(const std::wstring& folder) {
    std::vector<FileState> files;
    WIN32_FIND_DATAW entry{};
    const UniqueFind find(FindFirstFileExW(JoinPath(folder, L"*").c_str(), FindExInfoBasic, &entry,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY) return files;
        return std::nullopt;
    }
    do {
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) != 0) continue;
        files.push_back({entry.cFileName, Join(entry.nFileSizeHigh, entry.nFileSizeLow), Join(entry.ftLastWriteTime),
                         Join(entry.ftCreationTime)});
    } while (FindNextFileW(find.get(), &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return files;
}

RowChanges CompareRow(const std::vector<FileState>& row, const std::vector<FileState>& listing) {
    std::unordered_map<std::wstring, size_t> inListing;
    for (size_t i = 0; i < listing.size(); ++i) inListing.emplace(FoldCase(listing[i].name), i);
    std::vector<bool> matched(listing.size());
    RowChanges changes;
    for (size_t i = 0; i < row.size(); ++i) {
        const auto found = inListing.find(FoldCase(row[i].name));
        if (found == inListing.end()) {
            changes.gone.push_back(i);
            continue;
        }
        matched[found->second] = true;
        if (!(row[i] == listing[found->second])) changes.changed.emplace_back(i, found->second);
    }
    for (size_t i = 0; i < listing.size(); ++i)
        if (!matched[i]) changes.added.push_back(i);
    return changes;
}

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

int TrayIconSize(HWND window) {
    // Windows 10 gives the size for the DPI of the window's monitor; older
    // systems know only the one DPI, which GetSystemMetrics answers for.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto dpiFor = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    const auto metricsFor = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetSystemMetricsForDpi")));
    if (dpiFor && metricsFor)
        if (const UINT dpi = dpiFor(window); dpi != 0) return metricsFor(SM_CXSMICON, dpi);
    return GetSystemMetrics(SM_CXSMICON);
}

IconRow::IconRow(NotificationArea& area, HWND owner, std::wstring folder)
    : area_(area), owner_(owner), folder_(std::move(folder)), iconSize_(TrayIconSize(owner)) {}

IconRow::~IconRow() { RemoveAll(); }

void IconRow::ShowMainIcon() {
    // The resource holds 16 and 32 pixel images. The taskbar gets the one at
    // least as large as its icons and scales it down as it draws: scaling it
    // here would blur it, and under Wine turns the transparent edge of a
    // 16-colour image black.
    const int image = iconSize_ <= 16 ? 16 : 32;
    mainIcon_.reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), program::kMainIconResource, IMAGE_ICON, image, image, 0)));
    if (!mainIcon_) ThrowLastError();
    if (mainShown_)
        area_.Modify(Key(kMainIconId), mainIcon_.get(), texts::kMainIconTip);
    else
        area_.Add(Key(kMainIconId), mainIcon_.get(), texts::kMainIconTip);
    mainShown_ = true;
}

void IconRow::Rebuild() {
    const auto listing = ListElementFiles(folder_);
    // A folder that cannot be read now keeps the row it had.
    if (!listing) return;
    RemoveElements();
    std::vector<size_t> all(listing->size());
    std::iota(all.begin(), all.end(), size_t{0});
    const std::vector<UINT> ids = NewIds(*listing, all, {});
    for (size_t i = 0; i < all.size(); ++i) Add((*listing)[i], ids[i]);
    ShowBalloonIfEmpty();
}

void IconRow::Update() {
    const auto listing = ListElementFiles(folder_);
    if (!listing) return;
    std::vector<FileState> row;
    row.reserve(elements_.size());
    for (const Element& element : elements_) row.push_back(element.file);
    const RowChanges changes = CompareRow(row, *listing);
    if (changes.empty()) return;

    for (const auto& [inRow, inListing] : changes.changed) Change(elements_[inRow], (*listing)[inListing]);
    for (auto gone = changes.gone.rbegin(); gone != changes.gone.rend(); ++gone) {
        area_.Remove(Key(elements_[*gone].id));
        elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(*gone));
    }
    std::unordered_set<UINT> taken;
    for (const Element& element : elements_) taken.insert(element.id);
    const std::vector<UINT> ids = NewIds(*listing, changes.added, std::move(taken));
    for (size_t i = 0; i < ids.size(); ++i) Add((*listing)[changes.added[i]], ids[i]);
    ShowBalloonIfEmpty();
}

void IconRow::Add(const FileState& file, UINT id) {
    if (elements_.size() >= kMaxElements) return;
    std::wstring path = JoinPath(folder_, file.name);
    UniqueIcon icon = LoadFileIcon(path, iconSize_);
    if (!icon) return;
    // Kept even when the taskbar refuses it: Restore brings it in later.
    area_.Add(Key(id), icon.get(), DisplayName(file.name));
    elements_.push_back({id, file, std::move(path), std::move(icon)});
}

void IconRow::Change(Element& element, const FileState& file) {
    element.file = file;
    element.path = JoinPath(folder_, file.name);
    // A shortcut given a new target shows the target's icon.
    ReloadIcon(element);
}

void IconRow::ReloadIcon(Element& element) {
    if (UniqueIcon icon = LoadFileIcon(element.path, iconSize_)) element.icon = std::move(icon);
    area_.Modify(Key(element.id), element.icon.get(), DisplayName(element.file.name));
}

void IconRow::Readd() {
    for (const Element& element : elements_) {
        area_.Remove(Key(element.id));
        area_.Add(Key(element.id), element.icon.get(), DisplayName(element.file.name));
    }
}

bool IconRow::Restore() {
    // If the taskbar still has an icon, bringing it up to date is enough.
    const auto restore = [this](UINT id, HICON icon, const std::wstring& tip) {
        return area_.Add(Key(id), icon, tip) || area_.Modify(Key(id), icon, tip);
    };
    bool allBack = !mainShown_ || restore(kMainIconId, mainIcon_.get(), texts::kMainIconTip);
    for (const Element& element : elements_)
        allBack = restore(element.id, element.icon.get(), DisplayName(element.file.name)) && allBack;
    return allBack;
}

void IconRow::ReloadIcons() {
    iconSize_ = TrayIconSize(owner_);
    if (mainShown_) ShowMainIcon();
    for (Element& element : elements_) ReloadIcon(element);
}

void IconRow::RemoveAll() {
    RemoveElements();
    if (mainShown_) area_.Remove(Key(kMainIconId));
    mainShown_ = false;
}

void IconRow::RemoveElements() {
    for (const Element& element : elements_) area_.Remove(Key(element.id));
    elements_.clear();
}

const Element* IconRow::Find(UINT id) const {
    const auto found =
        std::find_if(elements_.begin(), elements_.end(), [id](const Element& element) { return element.id == id; });
    return found != elements_.end() ? &*found : nullptr;
}

void IconRow::ShowBalloonIfEmpty() {
    if (!elements_.empty() || !mainShown_) return;
    area_.ShowBalloon(Key(kMainIconId), texts::kAppTitle,
                      texts::kNoElementsPrefix + Quoted(folder_) + texts::kNoElementsSuffix);
}

#include "environment/icon_ids.h"

#include "base/handles.h"
#include "base/program.h"
#include "base/paths.h"
#include "base/strings.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

namespace {

constexpr UINT kLastId = 0xFFFF;  // a click reports its icon's id in 16 bits; 0 is the main icon's
constexpr LONGLONG kLargestBook = 64 << 20;

// FNV-1a over the name as Windows compares it, folded to 16 bits: a new
// name's first choice, so that the same names get the same ids on another
// machine or with a book that was lost.
UINT PreferredId(const std::wstring& name) {
    std::uint32_t hash = 2166136261u;
    for (const wchar_t c : FoldCase(name)) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 16777619u;
    }
    const UINT id = (hash ^ (hash >> 16)) & kLastId;
    return id != 0 ? id : 1;
}

std::wstring ReadText(const std::wstring& file) {
    const UniqueFile handle(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!handle || !GetFileSizeEx(handle.get(), &size) || size.QuadPart > kLargestBook) return {};
    std::wstring text(static_cast<size_t>(size.QuadPart) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    if (!ReadFile(handle.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr))
        return {};
    text.resize(read / sizeof(wchar_t));
    return text;
}

// Written beside the book, then put in its place: a book cut short by a
// crash or a full disk never replaces a whole one.
bool WriteText(const std::wstring& file, const std::wstring& text) {
    const std::wstring folder = FolderOf(file), next = file + L".new";
    CreateDirectoryW(FolderOf(folder).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    {
        const UniqueFile handle(
            CreateFileW(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (!handle || !WriteFile(handle.get(), text.data(), bytes, &written, nullptr) || written != bytes) {
            DeleteFileW(next.c_str());
            return false;
        }
    }
    return MoveFileExW(next.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

ULONGLONG IconIdBook::SystemSeconds() {
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    return ((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10'000'000;
}

IconIdBook::IconIdBook(std::wstring file, Clock clock)
    : file_(std::move(file)),
      clock_(std::move(clock)),
      used_(kLastId + 1) {
    if (file_.empty()) return;
    // A line per name, "id<tab>last seen<tab>name": a file name holds
    // neither a tab nor a line break. Lines that make no sense are left out.
    const std::wstring text = ReadText(file_);
    for (size_t at = text.empty() || text[0] != L'\xFEFF' ? 0 : 1; at < text.size();) {
        const size_t end = std::min(text.find(L'\n', at), text.size());
        std::wstring line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        wchar_t* rest = nullptr;
        const unsigned long long id = std::wcstoull(line.c_str(), &rest, 10);
        if (*rest != L'\t') continue;
        const unsigned long long seen = std::wcstoull(rest + 1, &rest, 10);
        if (*rest != L'\t' || id == 0 || id > kLastId || entries_.count(static_cast<UINT>(id)) != 0) continue;
        const std::wstring name(rest + 1);
        if (name.empty() || byName_.count(name) != 0) continue;
        entries_[static_cast<UINT>(id)] = {name, false, seen};
        used_[id] = true;
        byName_.emplace(name, static_cast<UINT>(id));
        byFolded_.emplace(FoldCase(name), static_cast<UINT>(id));
        gone_.emplace(seen, static_cast<UINT>(id));
    }
}

UINT IconIdBook::Take(const std::wstring& name) {
    auto known = byName_.find(name);
    if (known == byName_.end()) {
        // The same file, renamed while nobody watched, in a folder that
        // takes "A.txt" for "a.txt"; never a twin that is in the row.
        const auto [first, last] = byFolded_.equal_range(FoldCase(name));
        for (auto alike = first; alike != last; ++alike) {
            if (entries_.at(alike->second).live) continue;
            Rename(entries_.at(alike->second).name, name);
            known = byName_.find(name);
            break;
        }
    }
    if (known != byName_.end()) {
        Entry& entry = entries_.at(known->second);
        if (!entry.live) {
            gone_.erase({entry.seen, known->second});
            entry.live = true;
        }
        return known->second;
    }
    const UINT id = FreeId(name);
    if (id == 0) return 0;
    entries_[id] = {name, true, clock_()};
    used_[id] = true;
    byName_.emplace(name, id);
    byFolded_.emplace(FoldCase(name), id);
    changed_ = true;
    return id;
}

UINT IconIdBook::FreeId(const std::wstring& name) {
    if (entries_.size() < kLastId) {
        UINT id = PreferredId(name);
        while (used_[id]) id = id % kLastId + 1;
        return id;
    }
    if (gone_.empty() || clock_() - gone_.begin()->first < kReuseAfterSeconds) return 0;
    const UINT id = gone_.begin()->second;
    Forget(id);
    return id;
}

void IconIdBook::Release(const std::wstring& name) {
    const auto known = byName_.find(name);
    if (known == byName_.end()) return;
    Entry& entry = entries_.at(known->second);
    if (!entry.live) return;
    entry.live = false;
    entry.seen = clock_();
    gone_.emplace(entry.seen, known->second);
    changed_ = true;
}

void IconIdBook::Rename(const std::wstring& from, const std::wstring& to) {
    const auto known = byName_.find(from);
    if (known == byName_.end() || from == to) return;
    const UINT id = known->second;
    // The new name's old id, if it had one, goes: the name is this file's
    // now. A twin in the row keeps its own, and this file stays as it was.
    if (const auto taken = byName_.find(to); taken != byName_.end()) {
        if (entries_.at(taken->second).live) return;
        Forget(taken->second);
    }
    Forget(id);
    entries_[id] = {to, true, clock_()};
    used_[id] = true;
    byName_.emplace(to, id);
    byFolded_.emplace(FoldCase(to), id);
    changed_ = true;
}

void IconIdBook::Forget(UINT id) {
    const auto found = entries_.find(id);
    if (found == entries_.end()) return;
    const Entry& entry = found->second;
    byName_.erase(entry.name);
    const auto [first, last] = byFolded_.equal_range(FoldCase(entry.name));
    for (auto alike = first; alike != last; ++alike) {
        if (alike->second == id) {
            byFolded_.erase(alike);
            break;
        }
    }
    if (!entry.live) gone_.erase({entry.seen, id});
    entries_.erase(found);
    used_[id] = false;
}

void IconIdBook::Save() {
    if (!changed_ || file_.empty()) return;
    const ULONGLONG now = clock_();
    std::wstring text(1, L'\xFEFF');
    for (auto& [id, entry] : entries_) {
        if (entry.live) entry.seen = now;
        text += Digits(id) + L'\t' + Digits(entry.seen) + L'\t' + entry.name + L"\r\n";
    }
    // Not written: the next change tries again, and this run keeps its ids.
    changed_ = !WriteText(file_, text);
}

std::wstring IconIdBookFile() {
    wchar_t* path = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &path);
    const ScopeExit freePath([&] { CoTaskMemFree(path); });
    if (FAILED(hr) || !path) return {};
    return JoinPath(JoinPath(JoinPath(path, program::kCompanyFolder), program::kProductFolder), L"Icon ids.txt");
}

#include "files/folder_listing.h"

#include "base/handles.h"
#include "base/text.h"

#include <unordered_map>

namespace {

ULONGLONG Join(DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; }
ULONGLONG Join(const FILETIME& time) { return Join(time.dwHighDateTime, time.dwLowDateTime); }

// Whether the path itself says "no folder here", as opposed to a folder that
// cannot be read now (a share out of reach keeps its row).
bool IsNoFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ||
           error == ERROR_INVALID_NAME;
}

}  // namespace

std::optional<std::vector<FileState>> ListElementFiles(const std::wstring& folder) {
    std::vector<FileState> files;
    WIN32_FIND_DATAW entry{};
    const UniqueFind find(FindFirstFileExW(JoinPath(folder, L"*").c_str(), FindExInfoBasic, &entry,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // An empty drive root lists nothing at all.
        if (GetLastError() == ERROR_FILE_NOT_FOUND || IsNoFolder(folder)) return files;
        return std::nullopt;
    }
    do {
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) != 0) continue;
        files.push_back({entry.cFileName, Join(entry.nFileSizeHigh, entry.nFileSizeLow), Join(entry.ftLastWriteTime),
                         Join(entry.ftCreationTime), entry.dwFileAttributes});
    } while (FindNextFileW(find.get(), &entry));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return files;
}

RowChanges CompareRow(const std::vector<FileState>& row, const std::vector<FileState>& listing) {
    std::unordered_map<std::wstring, size_t> exact;
    std::unordered_map<std::wstring, std::vector<size_t>> folded;  // in listing order
    for (size_t i = 0; i < listing.size(); ++i) {
        exact.emplace(listing[i].name, i);
        folded[FoldCase(listing[i].name)].push_back(i);
    }
    std::vector<bool> taken(listing.size());
    std::vector<size_t> match(row.size(), listing.size());
    for (size_t i = 0; i < row.size(); ++i) {
        if (const auto found = exact.find(row[i].name); found != exact.end() && !taken[found->second])
            taken[match[i] = found->second] = true;
    }
    for (size_t i = 0; i < row.size(); ++i) {
        if (match[i] != listing.size()) continue;
        const auto alike = folded.find(FoldCase(row[i].name));
        if (alike == folded.end()) continue;
        for (const size_t candidate : alike->second) {
            if (!taken[candidate]) {
                taken[match[i] = candidate] = true;
                break;
            }
        }
    }
    RowChanges changes;
    for (size_t i = 0; i < row.size(); ++i) {
        if (match[i] == listing.size())
            changes.gone.push_back(i);
        else if (!(row[i] == listing[match[i]]))
            changes.changed.emplace_back(i, match[i]);
    }
    for (size_t i = 0; i < listing.size(); ++i)
        if (!taken[i]) changes.added.push_back(i);
    return changes;
}

#include "files/folder_listing.h"

#include "base/handles.h"
#include "base/strings.h"

#include <unordered_map>

namespace {

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
    // Listed through the folder's own handle, which gives each entry with
    // its file's index: the one sign of a file renamed in place.
    const UniqueFile handle(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle) return IsNoFolder(folder) ? std::optional(files) : std::nullopt;
    if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return files;
    std::vector<ULONGLONG> buffer(8192);  // 64 KB, aligned for the entries
    const auto bytes = static_cast<DWORD>(buffer.size() * sizeof(ULONGLONG));
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
         GetFileInformationByHandleEx(handle.get(), kind, buffer.data(), bytes); kind = FileIdBothDirectoryInfo) {
        for (auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data());;
             entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<const BYTE*>(entry) +
                                                                    entry->NextEntryOffset)) {
            if ((entry->FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) == 0)
                files.push_back({std::wstring(entry->FileName, entry->FileNameLength / sizeof(wchar_t)),
                                 static_cast<ULONGLONG>(entry->EndOfFile.QuadPart),
                                 static_cast<ULONGLONG>(entry->LastWriteTime.QuadPart),
                                 static_cast<ULONGLONG>(entry->CreationTime.QuadPart), entry->FileAttributes,
                                 info.dwVolumeSerialNumber, static_cast<ULONGLONG>(entry->FileId.QuadPart)});
            if (entry->NextEntryOffset == 0) break;
        }
    }
    // An empty drive root lists nothing at all.
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND) return std::nullopt;
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
    std::unordered_map<ULONGLONG, size_t> byIndex;  // of the listing's files not matched by name
    for (size_t i = 0; i < listing.size(); ++i)
        if (!taken[i] && listing[i].index != 0) byIndex.emplace(listing[i].index, i);
    for (size_t i = 0; i < row.size(); ++i) {
        if (match[i] != listing.size() || row[i].index == 0) continue;
        const auto same = byIndex.find(row[i].index);
        if (same != byIndex.end() && !taken[same->second] && listing[same->second].volume == row[i].volume)
            taken[match[i] = same->second] = true;
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

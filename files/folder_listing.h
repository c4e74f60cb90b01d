#pragma once
// The files of the elements folder, and how a listing differs from the row
// of icons that shows them.

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the folder listing tells of one file: enough to see it changed. A
// file replaced by another of the same name differs in its creation time
// and its index; a file renamed in place keeps its index.
struct FileState {
    std::wstring name;
    ULONGLONG size = 0;
    ULONGLONG lastWrite = 0;
    ULONGLONG created = 0;
    DWORD attributes = 0;
    DWORD volume = 0;
    ULONGLONG index = 0;  // the file's on its volume; 0 where the file system has none
    friend bool operator==(const FileState&, const FileState&) = default;
};

// The files lying directly in the folder that become elements: no folders,
// no hidden files. Empty when the path is not a folder (missing, or a file);
// nullopt when the folder is there but cannot be read now.
std::optional<std::vector<FileState>> ListElementFiles(const std::wstring& folder);

// How a listing differs from the row: the row's files that are gone, the
// (row, listing) pairs that changed (letter case of the name included), and
// the listing's new files, in listing order. A name matches its exact twin
// first, then one that Windows folds alike, then a file of the same index
// on the same volume under another name (renamed in place); no listing
// entry matches twice, so "x.txt" and "X.txt" side by side in a
// case-sensitive folder are two files.
struct RowChanges {
    std::vector<size_t> gone;
    std::vector<std::pair<size_t, size_t>> changed;
    std::vector<size_t> added;
    bool empty() const { return gone.empty() && changed.empty() && added.empty(); }
};
RowChanges CompareRow(const std::vector<FileState>& row, const std::vector<FileState>& listing);

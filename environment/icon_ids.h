#pragma once
// Each file's icon id, kept between runs. Windows remembers what the user
// chose for an icon (shown on the taskbar or in the overflow, and where) by
// the program's path and the icon's id: to a user an id is the file's for
// good. So a name seen before gets its id back whatever else came or went,
// a file renamed in place keeps its id under its new name, and an id is
// given to another name only when all 65,535 are spoken for, and then the
// one whose name has been gone the longest.
//
// The book is read once at start-up and written, all at once, when a
// listing changed it: never once per file.

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class IconIdBook {
public:
    // An id is given again only this long after its name was last seen: a
    // click queued for its icon could still be on its way.
    static constexpr ULONGLONG kReuseAfterSeconds = 10 * 60;

    // Seconds on the system's clock; tests bring a clock of their own.
    using Clock = std::function<ULONGLONG()>;
    static ULONGLONG SystemSeconds();

    // Read from `file`, which need not exist; an empty path keeps the book
    // for this run only.
    explicit IconIdBook(std::wstring file, Clock clock = SystemSeconds);
    IconIdBook(const IconIdBook&) = delete;
    IconIdBook& operator=(const IconIdBook&) = delete;

    // The id of a file now in the row: its name's own; else that of a name
    // that folds alike and is not in the row (the file renamed while the
    // program was not running); else one no name has. 0 when every id is
    // taken or was given up too recently.
    UINT Take(const std::wstring& name);
    // The file left the row: the id stays its name's, and counts as free
    // from now on for reuse.
    void Release(const std::wstring& name);
    // The same file under a new name keeps its id.
    void Rename(const std::wstring& from, const std::wstring& to);
    // Writes the book if it changed since it was read or last written.
    void Save();

private:
    struct Entry {
        std::wstring name;
        bool live = false;
        ULONGLONG seen = 0;  // when its file was last seen, in seconds
    };
    void Forget(UINT id);
    UINT FreeId(const std::wstring& name);

    std::wstring file_;
    Clock clock_;
    std::map<UINT, Entry> entries_;                  // by id
    std::vector<bool> used_;                         // by id: a name has it
    std::unordered_map<std::wstring, UINT> byName_;  // exact names
    std::unordered_multimap<std::wstring, UINT> byFolded_;
    std::set<std::pair<ULONGLONG, UINT>> gone_;  // when last seen, id: the oldest first
    bool changed_ = false;
};

// Where the book lives: Local Application Data\Quenwald\Vimbrel, beside
// nothing else of the program's (the roaming folder holds the elements);
// empty when the shell knows no such folder.
std::wstring IconIdBookFile();

#pragma once
// What the shell shows for a file, and what a shortcut holds. Reading a
// file's own icon may block for a long time: for a shortcut the shell looks
// at its target, which may lie on a sleeping NAS or a share out of reach.
// So a file is read only on the icon worker's thread, and tests and
// benchmarks put a slow or failing source in its place.
//
// Nothing in the folder is vetted: a file may come from a download or a
// synced share. What carries the mark of the internet is not looked into,
// and what points to another machine is reported, so that the program
// touches that machine only when the user asks.

#include "base/handles.h"

#include <shobjidl.h>

#include <string>

// One reading of one file: a shortcut is loaded once for all of it.
struct FileReading {
    UniqueIcon icon;          // none: it keeps its type's icon
    bool outOfReach = false;  // where it points cannot be reached now; worth another try later
    bool remote = false;      // it points to another machine (its target or its icon)
    WORD hotkey = 0;          // a shortcut's key as IShellLinkW::GetHotkey gives it; 0 for none
};

class FileIcons {
public:
    virtual ~FileIcons() = default;
    // At size pixels; called on one thread at a time, which has a COM apartment.
    virtual FileReading Read(const std::wstring& path, int size) = 0;
    // The icon of a file's type, from its name alone: the file is never
    // touched. On the window's thread; the shell may run a loop meanwhile.
    virtual UniqueIcon TypeIcon(const std::wstring& fileName, int size) = 0;
};

class ShellFileIcons final : public FileIcons {
public:
    FileReading Read(const std::wstring& path, int size) override;
    UniqueIcon TypeIcon(const std::wstring& fileName, int size) override;
};

// A shortcut file's shell link, loaded to be read; null when it is no
// shortcut or cannot be read, and then why in `result`. On a thread with a
// COM apartment.
ComPtr<IShellLinkW> LoadShortcut(const std::wstring& path, HRESULT* result = nullptr);

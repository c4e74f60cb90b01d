#pragma once
// What the shell shows for a file. Reading a file's own icon may block for a
// long time: for a shortcut the shell looks at its target, which may lie on
// a sleeping NAS or a share out of reach. So it is asked only on the icon
// worker's thread, and tests and benchmarks put a slow or failing source in
// its place.

#include "base/handles.h"

#include <shobjidl.h>

#include <string>

struct FileIcon {
    UniqueIcon icon;          // none: the shell has no icon of its own for it
    bool outOfReach = false;  // where it points cannot be reached now; worth another try later
};

class FileIcons {
public:
    virtual ~FileIcons() = default;
    // At size pixels; called on one thread at a time, which has a COM apartment.
    virtual FileIcon Read(const std::wstring& path, int size) = 0;
};

class ShellFileIcons final : public FileIcons {
public:
    FileIcon Read(const std::wstring& path, int size) override;
};

// The icon of a file's type, from its name alone: the file is never touched.
UniqueIcon TypeIcon(const std::wstring& fileName, int size);

// A shortcut file's shell link, loaded to be read; null when it is no
// shortcut or cannot be read. On a thread with a COM apartment.
ComPtr<IShellLinkW> LoadShortcut(const std::wstring& path);

#pragma once
// Reads each element's own icon, and a shortcut's key, on a thread of its
// own with its own COM apartment, so that a file that makes the shell wait
// never holds up a click. Requests are served in the order asked; the window
// is told by a posted message that readings wait to be taken, and takes each
// only if its element is still the file that was read (the generation).

#include "base/worker_thread.h"
#include "outside/file_icons.h"

#include <memory>
#include <string>
#include <vector>

struct IconRequest {
    UINT id;
    unsigned generation;
    std::wstring path;
    int size;
};

struct IconReading {
    UINT id;
    unsigned generation;
    FileReading file;
};

class IconReader {
public:
    IconReader(std::shared_ptr<FileIcons> source, HWND window, UINT message);
    ~IconReader();
    IconReader(const IconReader&) = delete;
    IconReader& operator=(const IconReader&) = delete;

    void Read(IconRequest request);
    // Requests not started yet are dropped: the row was built anew.
    void Clear();
    std::vector<IconReading> Take();

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    WorkerThread thread_;
};

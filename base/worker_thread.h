#pragma once
// A thread for work that may block for a long time: a folder or a shortcut's
// target on a share that has gone away. Its owner tells it to stop and then
// waits a moment at most, so that the program ends at once whatever the
// thread is doing. The body therefore holds its own share of everything it
// touches: it may outlive its owner, and ends with the process.

#include "base/handles.h"

#include <functional>

class WorkerThread {
public:
    static constexpr DWORD kStopWaitMs = 100;

    explicit WorkerThread(std::function<void()> body);
    // Only after the body has been told to stop.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

private:
    static DWORD WINAPI Start(void* body);

    UniqueHandle thread_;
};

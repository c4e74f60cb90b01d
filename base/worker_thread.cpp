#include "base/worker_thread.h"

#include "base/error.h"

#include <memory>

WorkerThread::WorkerThread(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    thread_.reset(CreateThread(nullptr, 0, Start, owned.get(), 0, nullptr));
    if (!thread_) ThrowLastError();
    owned.release();
}

WorkerThread::~WorkerThread() { WaitForSingleObject(thread_.get(), kStopWaitMs); }

DWORD WINAPI WorkerThread::Start(void* body) {
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(body));
    // Nothing may leave a thread: the process would end without a word.
    try {
        (*owned)();
    } catch (...) {
    }
    return 0;
}

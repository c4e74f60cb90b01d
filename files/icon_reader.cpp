#include "files/icon_reader.h"

#include "base/error.h"
#include "base/lock.h"

#include <deque>
#include <mutex>
#include <optional>

struct IconReader::Shared {
    Lock lock;
    UniqueHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a request or the stop
    std::deque<IconRequest> requests;
    std::vector<IconReading> readings;
    bool stop = false;
    Shared() {
        if (!wake) ThrowLastError();
    }
};

namespace {

void Serve(const std::shared_ptr<IconReader::Shared>& shared, const std::shared_ptr<FileIcons>& source, HWND window,
           UINT message) {
    const ComApartment apartment;
    for (;;) {
        std::optional<IconRequest> request;
        {
            const std::lock_guard locked(shared->lock);
            if (shared->stop) return;
            if (!shared->requests.empty()) {
                request = std::move(shared->requests.front());
                shared->requests.pop_front();
            }
        }
        if (!request) {
            // A single-threaded apartment pumps while it waits: windows the
            // shell made on this thread would otherwise hang every program
            // that broadcasts a message with SendMessage.
            DWORD woken = 0;
            HANDLE wake = shared->wake.get();
            // Should it ever refuse, a plain wait rather than a loop that spins.
            if (FAILED(CoWaitForMultipleHandles(0, INFINITE, 1, &wake, &woken))) WaitForSingleObject(wake, INFINITE);
            continue;
        }
        IconReading reading{request->id, request->generation, source->Read(request->path, request->size)};
        bool first = false;
        {
            const std::lock_guard locked(shared->lock);
            if (shared->stop) return;
            first = shared->readings.empty();
            shared->readings.push_back(std::move(reading));
        }
        // One message for all that wait: the window takes them together.
        if (first) PostMessageW(window, message, 0, 0);
    }
}

}  // namespace

IconReader::IconReader(std::shared_ptr<FileIcons> source, HWND window, UINT message)
    : shared_(std::make_shared<Shared>()),
      thread_([shared = shared_, source = std::move(source), window, message] {
          Serve(shared, source, window, message);
      }) {}

IconReader::~IconReader() {
    {
        const std::lock_guard locked(shared_->lock);
        shared_->stop = true;
    }
    SetEvent(shared_->wake.get());
}

void IconReader::Read(IconRequest request) {
    {
        const std::lock_guard locked(shared_->lock);
        shared_->requests.push_back(std::move(request));
    }
    SetEvent(shared_->wake.get());
}

void IconReader::Clear() {
    const std::lock_guard locked(shared_->lock);
    shared_->requests.clear();
}

std::vector<IconReading> IconReader::Take() {
    const std::lock_guard locked(shared_->lock);
    return std::exchange(shared_->readings, {});
}

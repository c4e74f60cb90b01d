#include "outside/single_instance_guard.h"

#include "app/errors.h"
#include "app/handles.h"

namespace {

class MutexInstanceGuard final : public SingleInstanceGuard {
public:
    bool Acquire(const std::wstring& name) override {
        // Local\: one instance per logged-on session, so each user of a
        // shared machine gets their own.
        UniqueHandle mutex(CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str()));
        if (!mutex) ThrowLastError();
        if (GetLastError() == ERROR_ALREADY_EXISTS) return false;
        mutex_ = std::move(mutex);
        return true;
    }

private:
    UniqueHandle mutex_;  // held until the process ends
};

}  // namespace

std::unique_ptr<SingleInstanceGuard> MakeMutexInstanceGuard() { return std::make_unique<MutexInstanceGuard>(); }

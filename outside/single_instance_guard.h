#pragma once

#include <memory>
#include <string>

class SingleInstanceGuard {
public:
    virtual ~SingleInstanceGuard() = default;
    // True in the first process to acquire the name; False in a later one
    // while the first still runs.
    virtual bool Acquire(const std::wstring& name) = 0;
};

// A named mutex in the session's namespace ("Local\" + name).
std::unique_ptr<SingleInstanceGuard> MakeMutexInstanceGuard();

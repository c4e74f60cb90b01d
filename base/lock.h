#pragma once
// A lock for std::lock_guard between the window's thread and a worker: a
// slim reader/writer lock held exclusively, which needs no freeing and
// brings in no threads library, as std::mutex would (MinGW's winpthreads,
// some tens of kilobytes of a program that wants to stay small).

#include <windows.h>

class Lock {
public:
    Lock() = default;
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void lock() noexcept { AcquireSRWLockExclusive(&lock_); }
    void unlock() noexcept { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

#pragma once
// The program rests in the idle priority class, so that it never competes
// with what the user is doing. Whatever the user waits on, and every program
// it starts (which would inherit idle), runs in the normal class.

#include <windows.h>

inline void RestAtIdlePriority() { SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS); }
inline void LeaveIdlePriority() { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }

// The normal class for one scope, then back to the class it found: a scope
// opened inside another (a click handled in the nested loop of a launch)
// leaves the outer one at normal.
class NormalPriority {
public:
    NormalPriority() noexcept : previous_(GetPriorityClass(GetCurrentProcess())) { LeaveIdlePriority(); }
    ~NormalPriority() {
        if (previous_ != 0) SetPriorityClass(GetCurrentProcess(), previous_);
    }
    NormalPriority(const NormalPriority&) = delete;
    NormalPriority& operator=(const NormalPriority&) = delete;

private:
    DWORD previous_;
};

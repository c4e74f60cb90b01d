// The single-instance guard across real processes, and the priority switch.

#include "app/priority.h"
#include "outside/single_instance_guard.h"
#include "process_probe.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

TEST(SingleInstanceGuard, ASecondProcessIsRefusedWhileTheFirstHoldsTheName) {
    const std::wstring name = L"{VimbrelTest-" + std::to_wstring(GetCurrentProcessId()) + L"}";
    const std::wstring probe = L"--acquire " + name;

    EXPECT_EQ(RunProbeProcess(probe), 0) << "nobody holds the name yet";
    {
        const auto guard = MakeMutexInstanceGuard();
        ASSERT_TRUE(guard->Acquire(name));
        EXPECT_EQ(RunProbeProcess(probe), 3);
        // Another name is another program.
        EXPECT_EQ(RunProbeProcess(probe + L"-other"), 0);
    }
    EXPECT_EQ(RunProbeProcess(probe), 0) << "free again once the holder is gone";
}

TEST(SetIdlePriority, AnyNonZeroFlagSelectsIdleAndZeroNormal) {
    const HANDLE self = GetCurrentProcess();
    for (const int flag : {1, -1, 2, 0x40}) {
        SetIdlePriority(0);
        ASSERT_EQ(GetPriorityClass(self), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
        SetIdlePriority(flag);
        EXPECT_EQ(GetPriorityClass(self), static_cast<DWORD>(IDLE_PRIORITY_CLASS)) << "flag " << flag;
    }
    SetIdlePriority(0);
}

}  // namespace

#include "process_probe.h"

#include "app/handles.h"
#include "app/text.h"
#include "outside/single_instance_guard.h"

#include <windows.h>

#include <cstring>
#include <vector>

int RunProcessProbe(int argc, char** argv) {
    if (argc < 3) return -1;
    // --acquire NAME: 0 when the guard was acquired, 3 when another holds it.
    if (std::strcmp(argv[1], "--acquire") == 0) {
        const auto guard = MakeMutexInstanceGuard();
        return guard->Acquire(Widen(argv[2])) ? 0 : 3;
    }
    return -1;
}

int RunProbeProcess(const std::wstring& arguments, unsigned timeoutMs) {
    std::vector<wchar_t> self(32768);
    GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    std::wstring command = L"\"" + std::wstring(self.data()) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    const UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

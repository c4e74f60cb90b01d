#pragma once
// A function of a system DLL that not every supported Windows has, or that
// the import libraries at hand do not name: found at run time, null where
// the system lacks it. A library loaded for it stays loaded for the process,
// since callers keep the function.

#include <windows.h>

template <class Function>
Function SystemFunction(const wchar_t* module, const char* name) {
    HMODULE loaded = GetModuleHandleW(module);
    if (!loaded) loaded = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return loaded ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name))) : nullptr;
}

// The build number of the Windows that runs the program (7601, 19045,
// 22631...); 0 when it cannot be told. From ntdll's RtlGetVersion, since
// GetVersionExW answers what the program's manifest lets it see.
inline DWORD WindowsBuild() {
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = SystemFunction<RtlGetVersion>(L"ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return getVersion && getVersion(&version) == 0 ? version.dwBuildNumber : 0;
}

#pragma once
// A function of a system DLL that not every supported Windows has, that the
// import libraries at hand do not name, or whose DLL is no known DLL and so
// would be looked for beside the program first: found at run time in
// System32, null where the system lacks it. A library loaded for it stays
// loaded for the process, since callers keep the function.

#include <windows.h>

#include <string>

// Only the system folder's copy of a library, never one lying in the
// program's own folder, where a zip unpacked into Downloads lets anyone put
// one. Windows 7 without KB2533623 refuses the search flags
// (ERROR_INVALID_PARAMETER): there the full path, whose folder is then also
// where the library's own imports are looked for.
inline HMODULE LoadSystemLibrary(const wchar_t* module) {
    if (const HMODULE loaded = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return loaded;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t system[MAX_PATH] = L"";
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(system, length) + L"\\" + module;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <class Function>
Function SystemFunction(const wchar_t* module, const char* name) {
    HMODULE loaded = GetModuleHandleW(module);
    if (!loaded) loaded = LoadSystemLibrary(module);
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

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

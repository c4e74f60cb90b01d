#include "environment/library_search.h"

#include "base/system_function.h"

void SearchLibrariesInSystemFolderOnly() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        SystemFunction<SetDefaultDllDirectoriesFunction>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // The programs it starts inherit this one (SetDllDirectory's page): they
    // lose the current folder from their search as well.
    SetDllDirectoryW(L"");
}

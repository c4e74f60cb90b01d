// A library planted beside Vimbrel.exe under the name of one that the
// program or the shell might look for there. Should it ever be loaded, it
// leaves "<its own path>.ran" beside itself for the release test to find.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    wchar_t marker[MAX_PATH + 4] = L"";
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(self, marker, MAX_PATH) < MAX_PATH)
        CloseHandle(CreateFileW(lstrcatW(marker, L".ran"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}

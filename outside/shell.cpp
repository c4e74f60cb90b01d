#include "outside/shell.h"

#include <shellapi.h>

DWORD SystemShell::Open(HWND owner, const std::wstring& path) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWDEFAULT;
    return ShellExecuteExW(&info) ? ERROR_SUCCESS : GetLastError();
}

void SystemShell::Delete(HWND, const std::wstring& path) {
    // pFrom is a list of names, each ended by a NUL, the list by an empty name;
    // sized from the path, so a long one is neither cut nor overrun.
    std::wstring from = path;
    from.push_back(L'\0');

    SHFILEOPSTRUCTW operation{};
    // No owner: the shell's confirmation stands on its own.
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();  // c_str() supplies the second NUL
    // Only the Recycle Bin: the shell confirms and reports on its own.
    operation.fFlags = FOF_ALLOWUNDO;
    SHFileOperationW(&operation);
}

void SystemShell::ShowProperties(HWND owner, const std::wstring& path) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.hwnd = owner;
    info.lpVerb = L"properties";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    // The shell shows its own error, if any; there is nothing to add.
    ShellExecuteExW(&info);
}

#pragma once
// The shell requests the program makes: open, delete to the Recycle Bin,
// Properties. Each answers what the shell answered.

#include <windows.h>

#include <memory>
#include <string>

class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecute's "open" with SW_SHOWDEFAULT; above 32 means success.
    virtual INT_PTR Open(HWND owner, const std::wstring& path) = 0;
    // The file to the Recycle Bin, with the shell's own confirmation.
    virtual int Delete(HWND owner, const std::wstring& path) = 0;
    virtual bool ShowProperties(HWND owner, const std::wstring& path) = 0;
};

std::unique_ptr<Shell> MakeWin32Shell();

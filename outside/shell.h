#pragma once
// What the program asks of the Windows shell: open a file or folder, move a
// file to the Recycle Bin, show its Properties, each as Explorer does it.
// Tests put a fake in its place, so that nothing is really started or
// deleted.

#include <windows.h>

#include <string>

class Shell {
public:
    virtual ~Shell() = default;
    // The file's default action, as a double click in Explorer: 0 when the
    // shell started it, else the Win32 error (ERROR_CANCELLED when the user
    // declined a UAC prompt).
    virtual DWORD Open(HWND owner, const std::wstring& path) = 0;
    // To the Recycle Bin; the shell asks for confirmation, owned by owner,
    // and reports its own errors.
    virtual void Delete(HWND owner, const std::wstring& path) = 0;
    virtual void ShowProperties(HWND owner, const std::wstring& path) = 0;
    // Where the user chooses which notification icons the taskbar shows,
    // on a Windows that keeps no record of them a program may change: the
    // Taskbar page of Settings on Windows 10 and later, the Notification
    // Area Icons control panel on 7 and 8.1. Throws the shell's refusal.
    virtual void OpenIconSettings(HWND owner) = 0;
};

class SystemShell final : public Shell {
public:
    DWORD Open(HWND owner, const std::wstring& path) override;
    void Delete(HWND owner, const std::wstring& path) override;
    void ShowProperties(HWND owner, const std::wstring& path) override;
    void OpenIconSettings(HWND owner) override;
};

#pragma once
// What the program asks of the Windows shell: open a file or folder, move a
// file to the Recycle Bin, show its Properties. Tests put a fake in its place,
// so that nothing is really started or deleted.

#include <windows.h>

#include <string>

class Shell {
public:
    virtual ~Shell() = default;
    // The file's default action, as a double click in Explorer; false when the shell could not.
    virtual bool Open(HWND owner, const std::wstring& path) = 0;
    // To the Recycle Bin; the shell asks for confirmation and reports its own errors.
    virtual void Delete(const std::wstring& path) = 0;
    virtual void ShowProperties(HWND owner, const std::wstring& path) = 0;
};

class SystemShell final : public Shell {
public:
    bool Open(HWND owner, const std::wstring& path) override;
    void Delete(const std::wstring& path) override;
    void ShowProperties(HWND owner, const std::wstring& path) override;
};

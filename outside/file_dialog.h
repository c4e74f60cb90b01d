#pragma once
// The open-file dialog.

#include <windows.h>

#include <memory>
#include <string>

class FileDialog {
public:
    virtual ~FileDialog() = default;
    // "Description|pattern" pairs separated by vertical bars.
    virtual void SetFilter(const std::wstring& filter) = 0;
    virtual void SetFlags(int flags) = 0;  // extra OPENFILENAME flags; 0 for none
    virtual void SetOwnerWindow(HWND owner) = 0;
    // Modal; True when the user chose a file.
    virtual bool ShowOpen() = 0;
    virtual const std::wstring& FileName() const = 0;
};

class FileDialogFactory {
public:
    virtual ~FileDialogFactory() = default;
    virtual std::unique_ptr<FileDialog> Create() = 0;
};

std::unique_ptr<FileDialogFactory> MakeCommonFileDialogFactory();

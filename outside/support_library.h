#pragma once
// The support library: the routines the program needs from the system
// beyond plain Win32 calls. The ones that ask the machine something are
// behind the SupportLibrary interface so tests can answer them; the pure
// path routines are plain functions.

#include "app/handles.h"

#include <memory>
#include <string>

class SupportLibrary {
public:
    virtual ~SupportLibrary() = default;

    virtual void RegisterAppPath() = 0;
    virtual bool IsInIDE() = 0;
    virtual HWND GetThunderMainHandle() = 0;
    virtual void SetWindowResIconAll(HWND window, const wchar_t* resourceName) = 0;
    virtual UniqueIcon LoadResTrayIcon(const wchar_t* resourceName) = 0;
    virtual void CenterFormEx(HWND window) = 0;
    virtual void SetForegroundWindowEx(HWND window) = 0;
    // The path of a shell special folder (a CSIDL number); empty when there is none.
    virtual std::wstring GetSpecialFolder(int csidl) = 0;
    virtual std::wstring GetEXEModulePrettyFileName() = 0;
    virtual bool IsHostWinXP_OrHigher() = 0;
};

// Folder and name joined with one backslash; a folder already ending in one
// does not get a second.
std::wstring BuildFileName(const std::wstring& folder, const std::wstring& name);
// The last component of a path, extension included.
std::wstring GetFileName(const std::wstring& path);
// The extension of a file name without its dot; empty when there is none.
std::wstring GetFileExtension(const std::wstring& fileName);
// The folder part of a path, without a trailing backslash.
std::wstring GetFilePath(const std::wstring& path);
bool IsFileExist(const std::wstring& path);
bool IsDirectoryExist(const std::wstring& path);

// Windows' own answers, for the real SupportLibrary.
std::unique_ptr<SupportLibrary> MakeWin32SupportLibrary(HINSTANCE instance);

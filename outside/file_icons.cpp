#include "outside/file_icons.h"

#include "base/paths.h"
#include "base/strings.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>

namespace {

// The shell's small icon when that is the notification area's size, its
// large one when the area wants more: the taskbar scales it down as it draws.
UINT SizeFlag(int size) { return size > GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON; }

// A path as stored, its variables expanded: nothing is resolved or searched for.
std::wstring Expanded(const wchar_t* stored) {
    wchar_t expanded[MAX_PATH] = L"";
    return ExpandEnvironmentStringsW(stored, expanded, MAX_PATH) ? expanded : stored;
}

// On another machine: a share, or a drive letter that stands for one.
// Telling needs nothing of that machine.
bool OnAnotherMachine(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return true;
    if (path.rfind(L"\\\\", 0) == 0) return path.rfind(L"\\\\?\\", 0) != 0 && path.rfind(L"\\\\.\\", 0) != 0;
    return path.size() >= 3 && path[1] == L':' && GetDriveTypeW(path.substr(0, 3).c_str()) == DRIVE_REMOTE;
}

// A drive that is not there, or a share or network that does not answer:
// unlike a target that was deleted, it may come back.
bool OutOfReach(const std::wstring& target) {
    if (target.size() >= 3 && target[1] == L':' && GetDriveTypeW(target.substr(0, 3).c_str()) == DRIVE_NO_ROOT_DIR)
        return true;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    constexpr std::array<DWORD, 12> kUnreachable = {
        ERROR_NOT_READY,           ERROR_BAD_NETPATH,        ERROR_BAD_NET_NAME,  ERROR_NETNAME_DELETED,
        ERROR_NETWORK_UNREACHABLE, ERROR_HOST_UNREACHABLE,   ERROR_UNEXP_NET_ERR, ERROR_SEM_TIMEOUT,
        ERROR_DEV_NOT_EXIST,       ERROR_NO_NET_OR_BAD_PATH, ERROR_NETWORK_BUSY,  ERROR_REM_NOT_LIST};
    const DWORD error = GetLastError();
    return std::find(kUnreachable.begin(), kUnreachable.end(), error) != kUnreachable.end();
}

// Whether the file carries the mark of a download from the internet or an
// untrusted site.
bool IsDownloaded(const std::wstring& path) {
    // The Attachment Manager's own record, "[ZoneTransfer]" "ZoneId=3", in
    // an alternate stream of the file.
    constexpr UINT kInternetZone = 3, kUntrustedZone = 4;
    const UINT zone = GetPrivateProfileIntW(L"ZoneTransfer", L"ZoneId", 0, (path + L":Zone.Identifier").c_str());
    return zone == kInternetZone || zone == kUntrustedZone;
}

}  // namespace

ComPtr<IShellLinkW> LoadShortcut(const std::wstring& path, HRESULT* result) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    HRESULT hr = E_INVALIDARG;
    if (!EqualsIgnoreCase(ExtensionOf(path), L"lnk") ||
        FAILED(
            hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(hr = link->QueryInterface(IID_IPersistFile, file.put_void())) ||
        FAILED(hr = file->Load(path.c_str(), STGM_READ)))
        link.reset();
    if (result) *result = hr;
    return link;
}

FileReading ShellFileIcons::Read(const std::wstring& path, int size) {
    FileReading reading;
    std::wstring target, iconFile;
    if (const ComPtr<IShellLinkW> link = LoadShortcut(path)) {
        if (FAILED(link->GetHotkey(&reading.hotkey))) reading.hotkey = 0;
        wchar_t stored[MAX_PATH] = L"";
        int index = 0;
        if (link->GetPath(stored, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK) target = Expanded(stored);
        if (link->GetIconLocation(stored, MAX_PATH, &index) == S_OK) iconFile = Expanded(stored);
    }
    // From the internet: the shell is not asked, so nothing the file names
    // is touched; it keeps its type's icon.
    if (IsDownloaded(path)) return reading;
    reading.remote = OnAnotherMachine(target) || OnAnotherMachine(iconFile);
    // Asked before the shell is: it would wait on the target as long as the network lets it.
    if (!target.empty() && OutOfReach(target)) {
        reading.outOfReach = true;
        return reading;
    }
    SHFILEINFOW info{};
    SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SizeFlag(size));
    reading.icon.reset(info.hIcon);
    return reading;
}

UniqueIcon ShellFileIcons::TypeIcon(const std::wstring& fileName, int size) {
    // Only the extension matters; a long name would not fit the shell.
    const std::wstring extension = ExtensionOf(fileName);
    const std::wstring typeOnly = extension.empty() ? L"file" : L"file." + extension;
    SHFILEINFOW info{};
    SHGetFileInfoW(typeOnly.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | SizeFlag(size));
    return UniqueIcon(info.hIcon);
}

#include "outside/file_icons.h"

#include "base/text.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <array>

namespace {

// The shell's small icon when that is the notification area's size, its
// large one when the area wants more: the taskbar scales it down as it draws.
UINT SizeFlag(int size) { return size > GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON; }

std::wstring ShortcutTarget(const std::wstring& path) {
    const ComPtr<IShellLinkW> link = LoadShortcut(path);
    if (!link) return {};
    // The path as stored: nothing is resolved or searched for.
    wchar_t target[MAX_PATH] = L"";
    if (link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK) return {};
    wchar_t expanded[MAX_PATH] = L"";
    return ExpandEnvironmentStringsW(target, expanded, MAX_PATH) ? expanded : target;
}

// A drive that is not there, or a share or network that does not answer:
// unlike a target that was deleted, it may come back.
bool OutOfReach(const std::wstring& target) {
    if (target.size() >= 3 && target[1] == L':' && GetDriveTypeW(target.substr(0, 3).c_str()) == DRIVE_NO_ROOT_DIR)
        return true;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    constexpr std::array<DWORD, 12> kUnreachable = {
        ERROR_NOT_READY,       ERROR_BAD_NETPATH,        ERROR_BAD_NET_NAME,     ERROR_NETNAME_DELETED,
        ERROR_NETWORK_UNREACHABLE, ERROR_HOST_UNREACHABLE, ERROR_UNEXP_NET_ERR,   ERROR_SEM_TIMEOUT,
        ERROR_DEV_NOT_EXIST,   ERROR_NO_NET_OR_BAD_PATH, ERROR_NETWORK_BUSY,     ERROR_REM_NOT_LIST};
    const DWORD error = GetLastError();
    return std::find(kUnreachable.begin(), kUnreachable.end(), error) != kUnreachable.end();
}

}  // namespace

ComPtr<IShellLinkW> LoadShortcut(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (!EqualsIgnoreCase(ExtensionOf(path), L"lnk") ||
        FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        link.reset();
    return link;
}

FileIcon ShellFileIcons::Read(const std::wstring& path, int size) {
    // Asked before the shell is: it would wait on the target as long as the network lets it.
    if (const std::wstring target = ShortcutTarget(path); !target.empty() && OutOfReach(target)) return {{}, true};
    SHFILEINFOW info{};
    SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SizeFlag(size));
    return {UniqueIcon(info.hIcon), false};
}

UniqueIcon TypeIcon(const std::wstring& fileName, int size) {
    // Only the extension matters; a long name would not fit the shell.
    const std::wstring extension = ExtensionOf(fileName);
    const std::wstring typeOnly = extension.empty() ? L"file" : L"file." + extension;
    SHFILEINFOW info{};
    SHGetFileInfoW(typeOnly.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | SizeFlag(size));
    return UniqueIcon(info.hIcon);
}

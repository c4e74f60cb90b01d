#include "outside/shell.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/system_function.h"
#include "base/paths.h"
#include "base/strings.h"
#include "outside/file_icons.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <vector>

namespace {

SHELLEXECUTEINFOW ExecuteInfo(HWND owner, const std::wstring& path, const wchar_t* verb, ULONG mask, int show) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.lpFile = path.c_str();
    info.nShow = show;
    return info;
}

// The shell's link code copes with no target longer than MAX_PATH: handed
// one (a crafted shortcut), it overruns a buffer of its own, and it does so
// in this process. Such a shortcut, or one that does not load at all, is
// not handed to it; the reason is the error of the refusal.
DWORD ShortcutRefusal(const std::wstring& path) {
    if (!EqualsIgnoreCase(ExtensionOf(path), L"lnk")) return ERROR_SUCCESS;
    HRESULT loaded = S_OK;
    const ComPtr<IShellLinkW> link = LoadShortcut(path, &loaded);
    if (!link) return HRESULT_FACILITY(loaded) == FACILITY_WIN32 ? HRESULT_CODE(loaded) : ERROR_FILE_CORRUPT;
    // Room for any path a link can store, so that the length seen is the whole one.
    std::vector<wchar_t> target(32768, L'\0');
    if (FAILED(link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_RAWPATH)))
        return ERROR_SUCCESS;  // no path at all: a link to a Control Panel item or the like
    return std::wstring_view(target.data()).size() >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : ERROR_SUCCESS;
}

}  // namespace

DWORD SystemShell::Open(HWND owner, const std::wstring& path) {
    if (const DWORD refusal = ShortcutRefusal(path); refusal != ERROR_SUCCESS) return refusal;
    // Started in its own folder, as Explorer's double click starts it: a
    // script or a document finds the files beside it. A shortcut names its
    // own working folder, which is left to it.
    const std::wstring folder = EqualsIgnoreCase(ExtensionOf(path), L"lnk") ? std::wstring() : FolderOf(path);
    // No verb: the type's default one, as Explorer's double click runs it
    // (a Control Panel item's is not "open"). The program tells the user
    // itself what went wrong, once.
    SHELLEXECUTEINFOW info = ExecuteInfo(owner, path, nullptr, SEE_MASK_FLAG_NO_UI, SW_SHOWDEFAULT);
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    if (ShellExecuteExW(&info)) return ERROR_SUCCESS;
    DWORD error = GetLastError();
    // A type nothing is registered for: the shell asks which program should
    // open it, as Explorer does, and a dialog the user closed is no failure.
    if (error == ERROR_NO_ASSOCIATION) {
        info.fMask &= ~SEE_MASK_FLAG_NO_UI;
        info.lpVerb = L"openas";
        if (ShellExecuteExW(&info)) return ERROR_SUCCESS;
        error = GetLastError();
    }
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

void SystemShell::Delete(HWND owner, const std::wstring& path) {
    // pFrom is a list of names, each ended by a NUL, the list by an empty name;
    // sized from the path, so a long one is neither cut nor overrun.
    std::wstring from = path;
    from.push_back(L'\0');

    SHFILEOPSTRUCTW operation{};
    // The confirmation stands over our window, not behind whatever is active.
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();  // c_str() supplies the second NUL
    // Only the Recycle Bin. On a volume without one, FOF_ALLOWUNDO alone
    // would delete for good without a word: the shell asks first. And only
    // the file: deleting "x.htm" would otherwise take a folder "x_files"
    // beside it along.
    operation.fFlags = FOF_ALLOWUNDO | FOF_WANTNUKEWARNING | FOF_NO_CONNECTED_ELEMENTS;
    SHFileOperationW(&operation);
}

void SystemShell::ShowProperties(HWND owner, const std::wstring& path) {
    SHELLEXECUTEINFOW info = ExecuteInfo(owner, path, L"properties", SEE_MASK_INVOKEIDLIST, SW_SHOWNORMAL);
    // The shell shows its own error, if any; there is nothing to add.
    ShellExecuteExW(&info);
}

void SystemShell::OpenIconSettings(HWND owner) {
    // Windows 10's first build: Settings has the page from here on (a build
    // without it opens Settings at its start).
    constexpr DWORD kWindows10 = 10240;
    if (WindowsBuild() >= kWindows10) {
        const std::wstring page = L"ms-settings:taskbar";
        SHELLEXECUTEINFOW info = ExecuteInfo(owner, page, nullptr, SEE_MASK_FLAG_NO_UI, SW_SHOWNORMAL);
        if (!ShellExecuteExW(&info)) ThrowLastError();
        return;
    }
    // The control panel item by its canonical name, the way Microsoft
    // documents for programs (Executing Control Panel Items).
    ComPtr<IOpenControlPanel> controlPanel;
    ThrowIfFailed(CoCreateInstance(CLSID_OpenControlPanel, nullptr, CLSCTX_INPROC_SERVER, IID_IOpenControlPanel,
                                   controlPanel.put_void()));
    ThrowIfFailed(controlPanel->Open(L"Microsoft.NotificationAreaIcons", nullptr, nullptr));
}

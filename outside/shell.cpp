#include "outside/shell.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/system_function.h"
#include "base/text.h"

#include <shellapi.h>
#include <shobjidl.h>

DWORD SystemShell::Open(HWND owner, const std::wstring& path) {
    // Started in its own folder, as Explorer's double click starts it: a
    // script or a document finds the files beside it. A shortcut names its
    // own working folder, which is left to it.
    const std::wstring folder = EqualsIgnoreCase(ExtensionOf(path), L"lnk") ? std::wstring() : FolderOf(path);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The program tells the user itself what went wrong, once.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWDEFAULT;
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

void SystemShell::OpenIconSettings(HWND owner) {
    // Windows 10's first build: Settings has the page from here on (a build
    // without it opens Settings at its start).
    constexpr DWORD kWindows10 = 10240;
    if (WindowsBuild() >= kWindows10) {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.hwnd = owner;
        info.lpVerb = L"open";
        info.lpFile = L"ms-settings:taskbar";
        info.nShow = SW_SHOWNORMAL;
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

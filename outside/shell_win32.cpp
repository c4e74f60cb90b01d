#include "outside/shell.h"

#include <shellapi.h>

namespace {

class Win32Shell final : public Shell {
public:
    INT_PTR Open(HWND owner, const std::wstring& path) override {
        // ShellExecute answers an HINSTANCE for compatibility; it is really
        // a number, above 32 on success.
        return reinterpret_cast<INT_PTR>(
            ShellExecuteW(owner, L"open", path.c_str(), L"", L"", SW_SHOWDEFAULT));
    }

    int Delete(HWND owner, const std::wstring& path) override {
        // pFrom is a list of names, each ended by a NUL, the list by an empty
        // name. Sized from the path, so a long path is neither cut nor overrun.
        std::wstring from;
        from.reserve(path.size() + 2);
        from += path;
        from += L'\0';
        from += L'\0';

        SHFILEOPSTRUCTW operation{};
        operation.hwnd = owner;
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        // Only the Recycle Bin: the shell confirms and reports on its own.
        operation.fFlags = FOF_ALLOWUNDO;
        return SHFileOperationW(&operation);
    }

    bool ShowProperties(HWND owner, const std::wstring& path) override {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_INVOKEIDLIST;
        info.hwnd = owner;
        info.lpVerb = L"properties";
        info.lpFile = path.c_str();
        info.nShow = SW_SHOWNORMAL;
        return ShellExecuteExW(&info) != FALSE;
    }
};

}  // namespace

std::unique_ptr<Shell> MakeWin32Shell() { return std::make_unique<Win32Shell>(); }

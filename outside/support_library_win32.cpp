#include "outside/support_library.h"

#include "app/errors.h"
#include "app/texts.h"
#include "outside/window_placement.h"

#include <shlobj.h>

#include <vector>

namespace {

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

class Win32SupportLibrary final : public SupportLibrary {
public:
    explicit Win32SupportLibrary(HINSTANCE instance) : instance_(instance) {}

    // Nothing to record: the program finds its own files through its module
    // path, not through an App Paths entry.
    void RegisterAppPath() override {}

    bool IsInIDE() override { return false; }

    // The program's hidden window is its only top-level window, so it also
    // carries the application's icons.
    HWND GetThunderMainHandle() override { return nullptr; }

    void SetWindowResIconAll(HWND window, const wchar_t* resourceName) override {
        if (!window) return;
        // A window holds its icons without owning them, so the library keeps
        // them for as long as it lives, which is as long as the program.
        if (!windowIconBig_) windowIconBig_ = LoadResIcon(resourceName, SM_CXICON, SM_CYICON);
        if (!windowIconSmall_) windowIconSmall_ = LoadResIcon(resourceName, SM_CXSMICON, SM_CYSMICON);
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIconBig_.get()));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowIconSmall_.get()));
    }

    UniqueIcon LoadResTrayIcon(const wchar_t* resourceName) override {
        return LoadResIcon(resourceName, SM_CXSMICON, SM_CYSMICON);
    }

    void CenterFormEx(HWND window) override { CenterInWorkArea(window); }

    void SetForegroundWindowEx(HWND window) override { SetForegroundWindow(window); }

    std::wstring GetSpecialFolder(int csidl) override {
        wchar_t* path = nullptr;
        const HRESULT hr = SHGetKnownFolderPath(KnownFolderFor(csidl), KF_FLAG_DEFAULT, nullptr, &path);
        const ScopeExit freePath([&] { CoTaskMemFree(path); });
        return SUCCEEDED(hr) && path ? std::wstring(path) : std::wstring();
    }

    std::wstring GetEXEModulePrettyFileName() override {
        // Sized from the answer, not MAX_PATH: the program may live in a long path.
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) ThrowLastError();
            if (length < buffer.size()) return std::wstring(buffer.data(), length);
            buffer.resize(buffer.size() * 2);
        }
    }

    bool IsHostWinXP_OrHigher() override {
        // Compared, not read: the version a program is told depends on its
        // manifest, but every system this one runs on is at least XP.
        OSVERSIONINFOEXW wanted{};
        wanted.dwOSVersionInfoSize = sizeof wanted;
        wanted.dwMajorVersion = 5;
        wanted.dwMinorVersion = 1;
        DWORDLONG mask = 0;
        mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
        mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
        return VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
    }

private:
    static REFKNOWNFOLDERID KnownFolderFor(int csidl) {
        switch (csidl) {
            case CSIDL_APPDATA: return FOLDERID_RoamingAppData;
            case CSIDL_LOCAL_APPDATA: return FOLDERID_LocalAppData;
            case CSIDL_PERSONAL: return FOLDERID_Documents;
            case CSIDL_DESKTOPDIRECTORY: return FOLDERID_Desktop;
            default: throw AppError(5, texts::kInvalidArgument);
        }
    }

    UniqueIcon LoadResIcon(const wchar_t* resourceName, int cx, int cy) {
        UniqueIcon icon(static_cast<HICON>(LoadImageW(instance_, resourceName, IMAGE_ICON, GetSystemMetrics(cx),
                                                      GetSystemMetrics(cy), LR_DEFAULTCOLOR)));
        if (!icon) ThrowLastError();
        return icon;
    }

    HINSTANCE instance_;
    UniqueIcon windowIconBig_, windowIconSmall_;
};

}  // namespace

std::wstring BuildFileName(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    const wchar_t last = folder.back();
    return last == L'\\' || last == L'/' ? folder + name : folder + L'\\' + name;
}

std::wstring GetFileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring GetFileExtension(const std::wstring& fileName) {
    const std::wstring name = GetFileName(fileName);
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

std::wstring GetFilePath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    // "C:\file" keeps its root: "C:" alone would mean the current folder of C:.
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

bool IsFileExist(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectoryExist(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::unique_ptr<SupportLibrary> MakeWin32SupportLibrary(HINSTANCE instance) {
    return std::make_unique<Win32SupportLibrary>(instance);
}

#pragma once
// What the tests share: a temporary folder, and fakes of the outside
// components that record what the program asked of them.

#include "base/handles.h"
#include "base/paths.h"
#include "outside/outside.h"

#include <sddl.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// A fresh folder under %TEMP%, with a Cyrillic name, removed afterwards with
// everything in it.
class TempFolder {
public:
    TempFolder() {
        static int count = 0;
        path_ = std::filesystem::temp_directory_path().wstring() + L"Вимбрел " + std::to_wstring(GetTickCount64()) +
                L"-" + std::to_wstring(++count);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Writes a small file and answers its full path.
    std::wstring Write(const std::wstring& name, const std::string& content = "x") const {
        const UniqueFile file(
            CreateFileW((*this / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        return *this / name;
    }

private:
    std::wstring path_;
};

inline DWORD PriorityClass() { return GetPriorityClass(GetCurrentProcess()); }

// A window that only receives messages, for what posts to one.
inline UniqueWindow MessageWindow() {
    return UniqueWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
}

// The first scripted answer, or `otherwise` when the script has run out.
template <class T>
T Next(std::deque<T>& script, T otherwise) {
    if (script.empty()) return otherwise;
    T answer = script.front();
    script.pop_front();
    return answer;
}

// A taskbar as Windows has it: it may refuse every call (not there yet), or
// time out on an add that it carries out all the same; an icon it has not
// been given version 4 for does not count as reachable.
class FakeArea final : public NotificationArea {
public:
    bool Add(TrayIconKey key, HICON, std::wstring_view tip) override {
        Log(L"add ", key.id);
        // As if the taskbar sent a callback while the call waits.
        if (const auto hook = std::exchange(whileAdding, nullptr)) hook();
        if (refuse || icons.count(key.id) != 0) return false;
        icons[key.id] = tip;
        return !timesOut;
    }
    bool SetVersion(TrayIconKey key) override {
        if (refuse || icons.count(key.id) == 0) return false;
        versioned.insert(key.id);
        return true;
    }
    bool Modify(TrayIconKey key, HICON, std::wstring_view tip) override {
        Log(L"modify ", key.id);
        if (refuse || icons.count(key.id) == 0) return false;
        icons[key.id] = tip;
        return true;
    }
    void Remove(TrayIconKey key) override {
        Log(L"remove ", key.id);
        icons.erase(key.id);
        versioned.erase(key.id);
    }
    void ShowBalloon(TrayIconKey, std::wstring_view, std::wstring_view text) override { balloons.emplace_back(text); }
    void GiveBackFocus(TrayIconKey key) override {
        Log(L"focus ", key.id);
        if (const auto hook = std::exchange(whileFocusing, nullptr)) hook();
    }

    // What the user can click: icons the taskbar shows at version 4, with their tooltips.
    std::map<UINT, std::wstring> Reachable() const {
        std::map<UINT, std::wstring> reachable;
        for (const auto& [id, tip] : icons)
            if (versioned.count(id) != 0) reachable.emplace(id, tip);
        return reachable;
    }

    std::map<UINT, std::wstring> icons;  // what the taskbar shows: id, tooltip
    std::set<UINT> versioned;
    std::vector<std::wstring> log, balloons;
    bool refuse = false;    // a taskbar that is not there yet
    bool timesOut = false;  // adds time out, and are done all the same
    std::function<void()> whileAdding, whileFocusing;

private:
    void Log(const wchar_t* what, UINT id) { log.push_back(what + std::to_wstring(id)); }
};

// Answers modal windows from scripts, as a user would, and records them.
class FakeUi final : public ModalUi {
public:
    int MessageBox(const std::wstring& text, UINT) override {
        boxes.push_back(text);
        return Next(boxAnswers, IDOK);
    }
    std::optional<std::wstring> InputBox(const std::wstring&, const std::wstring& preset) override {
        presets.push_back(preset);
        return Next(inputAnswers, std::optional<std::wstring>());
    }
    std::optional<std::wstring> ChooseFile(HWND) override { return chosenFile; }
    void ShowAbout(HWND) override { boxes.push_back(L"about"); }
    MenuChoice PopupMenu(HMENU menu, HWND owner, POINT at) override {
        menus.emplace_back(menu, PriorityClass(), at.x, at.y);
        for (int i = 0; i < GetMenuItemCount(menu); ++i)  // the user looks into each submenu
            if (const HMENU submenu = GetSubMenu(menu, i))
                SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), i);
        const MenuChoice chosen = Next(menuAnswers, MenuChoice{});
        if (const auto hook = std::exchange(whileMenuOpen, nullptr)) hook();
        for (int i = 0; i < GetMenuItemCount(menu); ++i)  // the menu closes
            if (const HMENU submenu = GetSubMenu(menu, i))
                SendMessageW(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(submenu), 0);
        return chosen;
    }

    using Shown = std::tuple<HMENU, DWORD, LONG, LONG>;  // the menu, the priority class, where
    std::vector<std::wstring> boxes, presets;
    std::deque<int> boxAnswers;
    std::deque<std::optional<std::wstring>> inputAnswers;
    std::optional<std::wstring> chosenFile;
    std::vector<Shown> menus;
    std::deque<MenuChoice> menuAnswers;
    std::function<void()> whileMenuOpen;  // once, as if events came in the menu's own loop
};

class FakeShell final : public Shell {
public:
    DWORD Open(HWND, const std::wstring& path) override {
        calls.emplace_back(L"open " + path, PriorityClass());
        return openError;
    }
    void Delete(HWND, const std::wstring& path) override { calls.emplace_back(L"delete " + path, PriorityClass()); }
    void ShowProperties(HWND, const std::wstring& path) override {
        calls.emplace_back(L"properties " + path, PriorityClass());
    }
    void OpenIconSettings(HWND) override { calls.emplace_back(L"icon settings", PriorityClass()); }

    std::vector<std::pair<std::wstring, DWORD>> calls;  // and the priority class each was made in
    DWORD openError = ERROR_SUCCESS;
};

// The shell's icons, read behind a gate the test opens and closes: a file
// whose icon takes as long as the test wants, as on a share out of reach.
class GatedIcons final : public FileIcons {
public:
    FileReading Read(const std::wstring& path, int size) override {
        WaitForSingleObject(open.get(), INFINITE);
        if (const auto hook = std::exchange(whileReading, nullptr)) hook();
        if (onShareOutOfReach.count(FileNameOf(path)) != 0) return {{}, true, true};
        return ShellFileIcons().Read(path, size);
    }
    // As the shell may: a loop of its own runs while it finds the type's icon.
    UniqueIcon TypeIcon(const std::wstring& fileName, int size) override {
        if (const auto hook = std::exchange(whileTypeIcon, nullptr)) hook();
        return ShellFileIcons().TypeIcon(fileName, size);
    }
    UniqueHandle open{CreateEventW(nullptr, TRUE, TRUE, nullptr)};
    std::function<void()> whileReading, whileTypeIcon;  // once each; whileReading on the worker's thread
    std::set<std::wstring> onShareOutOfReach;           // names of shortcuts whose targets are
};

// Until that message is posted to that window; false when it was not within the deadline.
inline bool Posted(HWND window, UINT message, DWORD deadlineMs = 5000) {
    MSG posted;
    for (const ULONGLONG end = GetTickCount64() + deadlineMs; GetTickCount64() < end;
         MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE))
        if (PeekMessageW(&posted, window, message, message, PM_REMOVE)) return true;
    return false;
}

// This thread's messages handled, as the program's loop would, until the
// condition holds; false when it did not within the deadline.
template <class Condition>
bool PumpUntil(Condition condition, DWORD deadlineMs = 5000) {
    for (const ULONGLONG end = GetTickCount64() + deadlineMs;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

struct Fakes {
    FakeArea tray;
    FakeUi ui;
    FakeShell shell;
    std::shared_ptr<GatedIcons> icons = std::make_shared<GatedIcons>();
    Outside outside{tray, ui, shell, icons};
};

// A key of HKEY_CURRENT_USER, made when missing, with the access asked for.
inline UniqueKey CreateKey(const std::wstring& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
    return UniqueKey(key);
}

// Puts a key of HKEY_CURRENT_USER back as it was before the test touched it,
// values and subkeys, or takes it away again if it was not there: run on a
// Windows desktop, the tests must not untick the user's "start with Windows"
// or reset the options. A copy waits meanwhile in a scratch key, where it
// survives a test that crashes.
[[nodiscard]] inline auto SaveRegistryKey(const std::wstring& key) {
    static int count = 0;
    const std::wstring scratch =
        L"Software\\Vimbrel test " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    HKEY original = nullptr;
    const bool saved = RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &original) == ERROR_SUCCESS &&
                       RegCopyTreeW(UniqueKey(original).get(), nullptr, CreateKey(scratch).get()) == ERROR_SUCCESS;
    return ScopeExit([=] {
        RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
        if (saved) RegCopyTreeW(CreateKey(scratch).get(), nullptr, CreateKey(key).get());
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    });
}

// A security descriptor written in SDDL.
inline std::unique_ptr<void, decltype(&LocalFree)> Security(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR security = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &security, nullptr);
    return {security, &LocalFree};
}

// Lets everyone read a key but not write to it, as a policy may; deleting
// it is left allowed, so that SaveRegistryKey can put it back.
inline void MakeReadOnly(const wchar_t* key) {
    RegSetKeySecurity(CreateKey(key, WRITE_DAC).get(), DACL_SECURITY_INFORMATION, Security(L"D:(A;;KRSD;;;WD)").get());
}

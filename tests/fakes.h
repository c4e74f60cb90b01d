#pragma once
// Stand-ins for the outside components, so tests drive the program's logic
// without a notification area, dialogs or a user.

#include "app/components.h"
#include "app/errors.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Everything the fake icons did, in order, shared by all icons of a factory.
struct TrayLog {
    std::vector<std::wstring> events;  // "add 3", "delete 3", "balloon 0", ...
    int live = 0;                      // fake icons alive now
};

class FakeSysTray final : public SysTray {
public:
    FakeSysTray(TrayLog& log, std::int16_t index) : log_(log), index_(index) { ++log_.live; }
    ~FakeSysTray() override {
        if (inTray_) Log(L"delete");
        --log_.live;
    }
    void SetText(const std::wstring& text) override { text_ = text; }
    const std::wstring& Text() const override { return text_; }
    void SetTag(const std::wstring& tag) override { tag_ = tag; }
    const std::wstring& Tag() const override { return tag_; }
    void SetTrayIcon(UniqueIcon icon) override { icon_ = std::move(icon); }
    HICON TrayIcon() const override { return icon_.get(); }
    void SetInTray(bool inTray) override {
        if (inTray != inTray_) Log(inTray ? L"add" : L"delete");
        inTray_ = inTray;
    }
    bool InTray() const override { return inTray_; }
    bool Restore() override {
        if (inTray_) Log(L"restore");
        return !refuseRestore;
    }
    void ShowBalloon(const std::wstring& text, const std::wstring& title, int kind) override {
        Log(L"balloon");
        balloonText = text;
        balloonTitle = title;
        balloonKind = kind;
    }

    bool refuseRestore = false;
    std::wstring balloonText, balloonTitle;
    int balloonKind = 0;

private:
    void Log(const wchar_t* what) { log_.events.push_back(std::wstring(what) + L" " + std::to_wstring(index_)); }

    TrayLog& log_;
    std::int16_t index_;
    std::wstring text_, tag_;
    UniqueIcon icon_;
    bool inTray_ = false;
};

class FakeSysTrayFactory final : public SysTrayFactory {
public:
    std::unique_ptr<SysTray> Create(HWND, std::int16_t index) override {
        return std::make_unique<FakeSysTray>(log, index);
    }
    TrayLog log;
};

class FakeSupportLibrary final : public SupportLibrary {
public:
    void RegisterAppPath() override {}
    bool IsInIDE() override { return false; }
    HWND GetThunderMainHandle() override { return nullptr; }
    void SetWindowResIconAll(HWND, const wchar_t*) override {}
    UniqueIcon LoadResTrayIcon(const wchar_t*) override {
        return UniqueIcon(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
    }
    void CenterFormEx(HWND) override {}
    void SetForegroundWindowEx(HWND) override { ++foregroundCalls; }
    std::wstring GetSpecialFolder(int) override { return appData; }
    std::wstring GetEXEModulePrettyFileName() override {
        if (exePathFails) throw AppError(5, L"Отказано в доступе");
        return exePath;
    }
    bool IsHostWinXP_OrHigher() override { return winXpOrHigher; }

    std::wstring appData;
    std::wstring exePath = L"C:\\Program Files\\Vimbrel\\Vimbrel.exe";
    bool exePathFails = false;  // the module path cannot be had
    bool winXpOrHigher = true;
    int foregroundCalls = 0;
};

class FakeSettingsStore final : public SettingsStore {
public:
    explicit FakeSettingsStore(std::map<std::wstring, bool>& values) : values_(values) {}
    bool ReadValue(const std::wstring& section, const std::wstring& key, bool defaultValue) override {
        const auto it = values_.find(section + L"|" + key);
        return it == values_.end() ? defaultValue : it->second;
    }
    void WriteValue(const std::wstring& section, const std::wstring& key, bool value) override {
        values_[section + L"|" + key] = value;
    }

private:
    std::map<std::wstring, bool>& values_;
};

// Loads a stock icon for every path, except the ones listed as unloadable.
class FakeIconLoader final : public FileIconLoader {
public:
    explicit FakeIconLoader(const std::vector<std::wstring>& refused) : refused_(refused) {}
    bool Load(const std::wstring& path) override {
        for (const auto& name : refused_)
            if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0)
                return false;
        icon_.reset(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
        return icon_.valid();
    }
    UniqueIcon TakeIcon() override { return std::move(icon_); }

private:
    const std::vector<std::wstring>& refused_;
    UniqueIcon icon_;
};

class FakeIconLoaderFactory final : public FileIconLoaderFactory {
public:
    std::unique_ptr<FileIconLoader> Create() override { return std::make_unique<FakeIconLoader>(refused); }
    std::vector<std::wstring> refused;  // file names whose icon "cannot be loaded"
};

class FakeAutorun final : public AutorunManager {
public:
    bool IsRegistered(const std::wstring&) override { return registered; }
    bool Register(const std::wstring& name, int) override {
        calls.push_back(L"register " + name);
        if (fail) return false;
        registered = true;
        return true;
    }
    bool Unregister(const std::wstring& name) override {
        calls.push_back(L"unregister " + name);
        if (fail) return false;
        registered = false;
        return true;
    }
    bool registered = false;
    bool fail = false;
    std::vector<std::wstring> calls;
};

class FakeAboutBox final : public AboutBox {
public:
    void Show(HWND owner, const std::wstring&, HICON, const std::wstring&) override {
        ++shown;
        lastOwner = owner;
    }
    int shown = 0;
    HWND lastOwner = nullptr;
};

class FakeFileDialog final : public FileDialog {
public:
    explicit FakeFileDialog(std::optional<std::wstring>& answer, std::vector<std::wstring>& log)
        : answer_(answer), log_(log) {}
    void SetFilter(const std::wstring& filter) override { log_.push_back(L"filter " + filter); }
    void SetFlags(int flags) override { log_.push_back(L"flags " + std::to_wstring(flags)); }
    void SetOwnerWindow(HWND) override { log_.push_back(L"owner"); }
    bool ShowOpen() override {
        log_.push_back(L"show");
        if (answer_) fileName_ = *answer_;
        return answer_.has_value();
    }
    const std::wstring& FileName() const override { return fileName_; }

private:
    std::optional<std::wstring>& answer_;
    std::vector<std::wstring>& log_;
    std::wstring fileName_;
};

class FakeFileDialogFactory final : public FileDialogFactory {
public:
    std::unique_ptr<FileDialog> Create() override { return std::make_unique<FakeFileDialog>(answer, log); }
    std::optional<std::wstring> answer;  // the chosen file; nullopt for Cancel
    std::vector<std::wstring> log;
};

class FakeErrorReporter final : public ErrorReporter {
public:
    void ShowError(const AppError& error, const std::wstring& message) override {
        messages.push_back(message);
        numbers.push_back(error.Number());
    }
    std::vector<std::wstring> messages;
    std::vector<long> numbers;
};

// Answers modal windows from a script and records what was asked, with the
// process's priority class at the moment each box would have shown.
class FakeModalUi final : public ModalUi {
public:
    struct Shown {
        std::wstring text;
        UINT style;
        DWORD priorityClass;
    };
    int MessageBox(const std::wstring& text, UINT style) override {
        boxes.push_back({text, style, GetPriorityClass(GetCurrentProcess())});
        if (boxAnswers.empty()) return IDOK;
        const int answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    std::optional<std::wstring> InputBox(const std::wstring& prompt, const std::wstring& title,
                                         const std::wstring& preset) override {
        inputs.push_back({prompt, title, preset});
        if (inputAnswers.empty()) return std::nullopt;
        auto answer = inputAnswers.front();
        inputAnswers.pop_front();
        return answer;
    }
    // Menus answer from `menuAnswers` (command ids; 0 dismisses), running
    // `whileMenuOpen` first as if events arrived during the menu's loop.
    UINT PopupMenu(HMENU menu, HWND) override {
        const UINT defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
        menus.push_back({menu, GetPriorityClass(GetCurrentProcess()), defaultItem});
        if (whileMenuOpen) whileMenuOpen();
        if (menuAnswers.empty()) return 0;
        const UINT answer = menuAnswers.front();
        menuAnswers.pop_front();
        return answer;
    }
    struct Asked {
        std::wstring prompt, title, preset;
    };
    struct Popped {
        HMENU menu;
        DWORD priorityClass;
        UINT defaultItem;
    };
    std::vector<Popped> menus;
    std::deque<UINT> menuAnswers;
    std::function<void()> whileMenuOpen;
    std::vector<Shown> boxes;
    std::vector<Asked> inputs;
    std::deque<int> boxAnswers;
    std::deque<std::optional<std::wstring>> inputAnswers;
};

class FakeShell final : public Shell {
public:
    INT_PTR Open(HWND, const std::wstring& path) override {
        calls.push_back(L"open " + path);
        priorityDuringCall = GetPriorityClass(GetCurrentProcess());
        return openResult;
    }
    int Delete(HWND owner, const std::wstring& path) override {
        calls.push_back(L"delete " + path);
        deleteOwner = owner;
        return 0;
    }
    bool ShowProperties(HWND, const std::wstring& path) override {
        calls.push_back(L"properties " + path);
        priorityDuringCall = GetPriorityClass(GetCurrentProcess());
        return true;
    }
    std::vector<std::wstring> calls;
    INT_PTR openResult = 42;
    HWND deleteOwner = reinterpret_cast<HWND>(1);
    DWORD priorityDuringCall = 0;
};

// One of each fake, wired into the Components the program takes.
struct FakeComponents {
    FakeSupportLibrary support;
    FakeSysTrayFactory trays;
    std::map<std::wstring, bool> settingsValues;
    FakeIconLoaderFactory iconLoaders;
    FakeAutorun autorun;
    FakeAboutBox aboutBox;
    FakeFileDialogFactory fileDialogs;
    FakeErrorReporter errorReporter;
    FakeModalUi ui;
    FakeShell shell;
    bool terminalSession = false;

    Components Wire() {
        return Components{support,
                          trays,
                          [this] { return std::make_unique<FakeSettingsStore>(settingsValues); },
                          iconLoaders,
                          autorun,
                          aboutBox,
                          fileDialogs,
                          errorReporter,
                          ui,
                          shell,
                          [this] { return terminalSession; }};
    }
};

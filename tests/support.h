#pragma once
// What the tests share: a temporary folder, and fakes of the outside
// components that record what the program asked of them.

#include "outside/outside.h"

#include <deque>
#include <utility>
#include <functional>
#include <map>
#include <string>
#include <vector>

// A fresh folder under %TEMP%, with a Cyrillic name, removed afterwards with
// everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Writes a small file and answers its full path.
    std::wstring Write(const std::wstring& name, const std::string& content = "x") const;

private:
    std::wstring path_;
};

inline DWORD PriorityClass() { return GetPriorityClass(GetCurrentProcess()); }

template <class T>
T Next(std::deque<T>& answers, T otherwise) {
    if (answers.empty()) return otherwise;
    T answer = answers.front();
    answers.pop_front();
    return answer;
}

class FakeArea final : public NotificationArea {
public:
    bool Add(TrayIconKey key, HICON, std::wstring_view tip) override {
        log.push_back(L"add " + std::to_wstring(key.id));
        if (refuse) return false;
        icons[key.id] = tip;
        return true;
    }
    bool Modify(TrayIconKey key, HICON, std::wstring_view tip) override {
        log.push_back(L"modify " + std::to_wstring(key.id));
        if (refuse || icons.count(key.id) == 0) return false;
        icons[key.id] = tip;
        return true;
    }
    void Remove(TrayIconKey key) override {
        log.push_back(L"remove " + std::to_wstring(key.id));
        icons.erase(key.id);
    }
    void ShowBalloon(TrayIconKey, std::wstring_view, std::wstring_view text) override { balloons.emplace_back(text); }

    std::map<UINT, std::wstring> icons;  // what the taskbar shows: id, tooltip
    std::vector<std::wstring> log;
    std::vector<std::wstring> balloons;
    bool refuse = false;  // a taskbar that is not there yet
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
    std::optional<std::wstring> ChooseFile(HWND) override {
        if (chooseFileFails) throw Error::Program(12290, L"no dialog");
        return chosenFile;
    }
    void ShowAbout(HWND) override { ++aboutShown; }
    UINT PopupMenu(HMENU menu, HWND) override {
        menus.push_back(menu);
        menuPriorities.push_back(PriorityClass());
        const UINT chosen = Next(menuAnswers, 0u);
        if (const auto hook = std::exchange(whileMenuOpen, nullptr)) hook();
        return chosen;
    }

    std::vector<std::wstring> boxes, presets;
    std::deque<int> boxAnswers;
    std::deque<std::optional<std::wstring>> inputAnswers;
    std::optional<std::wstring> chosenFile;
    bool chooseFileFails = false;  // as the real dialog does when it cannot be shown
    int aboutShown = 0;
    std::vector<HMENU> menus;
    std::vector<DWORD> menuPriorities;
    std::deque<UINT> menuAnswers;
    std::function<void()> whileMenuOpen;  // once, as if events came in the menu's own loop
};

class FakeShell final : public Shell {
public:
    bool Open(HWND, const std::wstring& path) override {
        calls.push_back(L"open " + path);
        priority = PriorityClass();
        if (const auto hook = std::exchange(whileOpening, nullptr)) hook();
        return opens;
    }
    void Delete(const std::wstring& path) override { calls.push_back(L"delete " + path); }
    void ShowProperties(HWND, const std::wstring& path) override { calls.push_back(L"properties " + path); }

    std::vector<std::wstring> calls;
    bool opens = true;
    DWORD priority = 0;
    std::function<void()> whileOpening;  // once, in a nested loop of the shell's
};

struct Fakes {
    FakeArea tray;
    FakeUi ui;
    FakeShell shell;
    Outside outside{tray, ui, shell};
};

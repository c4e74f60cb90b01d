// Figures for the icon row following its folder. Runs in a Wine desktop (or
// on Windows) with a taskbar, against the real notification area:
//
//   change N        time from one new file to its icon with N elements in the
//                   row (the loop, the watch, the update by difference), and
//                   the time of one whole rebuild of the same row, which is
//                   what every change cost before
//   calls           shell calls for one file added, changed and removed
//   burst           updates caused by 300 files copied in at once
//   idle SECONDS    timer messages while idle, Anti-Hide off and on
//   leaks           icons and memory over 1,000 updates
//
// The figures go to standard output and to the file named by --out FILE: a
// program started in a Wine desktop may not reach the terminal.

#include "base/priority.h"
#include "base/text.h"
#include "outside/outside.h"
#include "tray/icon_row.h"
#include "tray/main_window.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

std::FILE* out = nullptr;

template <class... Args>
void Print(const char* format, Args... args) {
    std::printf(format, args...);
    std::fflush(stdout);
    if (out) {
        std::fprintf(out, format, args...);
        std::fflush(out);
    }
}

// The real notification area, counted: each Add is two Shell_NotifyIcon
// calls (NIM_ADD, NIM_SETVERSION), and each Add or Modify of an element
// follows one SHGetFileInfo for its icon.
class CountingArea final : public NotificationArea {
public:
    bool Add(TrayIconKey key, HICON icon, std::wstring_view tip) override {
        ++adds;
        lastAdded = tip;
        return real_.Add(key, icon, tip);
    }
    bool Modify(TrayIconKey key, HICON icon, std::wstring_view tip) override {
        ++modifies;
        return real_.Modify(key, icon, tip);
    }
    void Remove(TrayIconKey key) override {
        ++removes;
        real_.Remove(key);
    }
    void ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) override {
        real_.ShowBalloon(key, title, text);
    }
    int ShellCalls() const { return 2 * adds + modifies + removes + (adds + modifies); }
    void Reset() { adds = modifies = removes = 0; }

    int adds = 0, modifies = 0, removes = 0;
    std::wstring lastAdded;

private:
    ShellNotificationArea real_;
};

// Nothing modal happens in these runs; the shell is never asked to open anything.
struct Quiet final : ModalUi, Shell {
    int MessageBox(const std::wstring&, UINT) override { return IDOK; }
    std::optional<std::wstring> InputBox(const std::wstring&, const std::wstring&) override { return {}; }
    std::optional<std::wstring> ChooseFile(HWND) override { return {}; }
    void ShowAbout(HWND) override {}
    UINT PopupMenu(HMENU, HWND) override { return 0; }
    DWORD Open(HWND, const std::wstring&) override { return ERROR_SUCCESS; }
    void Delete(HWND, const std::wstring&) override {}
    void ShowProperties(HWND, const std::wstring&) override {}
};

class Folder {
public:
    explicit Folder(const std::wstring& name) : path_(std::filesystem::temp_directory_path().wstring() + name) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    const std::wstring& Path() const { return path_; }
    void Write(const std::wstring& name, const std::string& content = "Vimbrel") const {
        const UniqueFile file(CreateFileW(JoinPath(path_, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    }
    void Fill(int count) const {
        static const wchar_t* const kinds[] = {L"txt", L"cmd", L"ini", L"log", L"html", L"bat"};
        for (int i = 0; i < count; ++i) Write(L"Файл " + std::to_wstring(i) + L"." + kinds[i % 6]);
    }

private:
    std::wstring path_;
};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Steps the window's loop until the condition holds; false after ten seconds.
template <class Condition>
bool StepUntil(MainWindow& window, Condition condition) {
    for (const ULONGLONG end = GetTickCount64() + 10000; GetTickCount64() < end;) {
        if (condition()) return true;
        window.Step(20);
    }
    return condition();
}

void Change(int elements) {
    Folder folder(L"vimbrel-bench-change");
    folder.Fill(elements);
    Quiet quiet;
    CountingArea area;
    Outside outside{area, quiet, quiet};
    Options options{false, false};
    MainWindow window(GetModuleHandleW(nullptr), outside, options, folder.Path());

    std::vector<double> shown;
    for (int round = 0; round < 7; ++round) {
        const std::wstring name = L"новый " + std::to_wstring(round) + L".txt";
        const LARGE_INTEGER start = Now();
        folder.Write(name);
        if (!StepUntil(window, [&] { return area.lastAdded == name; })) Print("  round %d: no icon\n", round);
        shown.push_back(Milliseconds(start, Now()));
    }
    std::vector<double> rebuilt;
    for (int round = 0; round < 3; ++round) {
        IconRow row(area, window.Handle(), folder.Path());
        const LARGE_INTEGER start = Now();
        row.Rebuild();
        rebuilt.push_back(Milliseconds(start, Now()));
    }
    Print("change with %d elements: new file shown after %.0f ms (median of %zu); whole rebuild %.0f ms (median of "
          "%zu)\n",
          elements, Median(shown), shown.size(), Median(rebuilt), rebuilt.size());
}

void Calls() {
    Folder folder(L"vimbrel-bench-calls");
    folder.Fill(100);
    Quiet quiet;
    CountingArea area;
    Outside outside{area, quiet, quiet};
    Options options{false, false};
    MainWindow window(GetModuleHandleW(nullptr), outside, options, folder.Path());
    const auto measure = [&](const char* what, auto change, auto done) {
        area.Reset();
        change();
        StepUntil(window, done);
        // Let anything that follows arrive too.
        for (int i = 0; i < 10; ++i) window.Step(20);
        Print("  %s: %d shell calls (%d added, %d modified, %d removed)\n", what, area.ShellCalls(), area.adds,
              area.modifies, area.removes);
    };
    Print("shell calls per one-file change, 100 elements:\n");
    measure("a file added", [&] { folder.Write(L"added.txt"); }, [&] { return area.adds > 0; });
    measure("a file changed", [&] { folder.Write(L"added.txt", "longer content"); }, [&] { return area.modifies > 0; });
    measure(
        "a file removed", [&] { DeleteFileW(JoinPath(folder.Path(), L"added.txt").c_str()); },
        [&] { return area.removes > 0; });
}

void Burst() {
    Folder staging(L"vimbrel-bench-staging");
    staging.Fill(300);
    Folder folder(L"vimbrel-bench-burst");
    Quiet quiet;
    CountingArea area;
    Outside outside{area, quiet, quiet};
    Options options{false, false};
    MainWindow window(GetModuleHandleW(nullptr), outside, options, folder.Path());
    area.Reset();  // the main icon
    // Copied from another thread, as Explorer would, while the loop runs.
    std::thread copier([&] {
        for (const auto& entry : std::filesystem::directory_iterator(staging.Path()))
            CopyFileW(entry.path().c_str(), JoinPath(folder.Path(), entry.path().filename().wstring()).c_str(), FALSE);
    });
    int updates = 0;
    const LARGE_INTEGER start = Now();
    for (const ULONGLONG end = GetTickCount64() + 20000; GetTickCount64() < end && area.adds < 300;) {
        const int before = area.adds;
        window.Step(50);
        if (area.adds > before) ++updates;
    }
    copier.join();
    Print("burst of 300 files copied in: %d icons in %d update(s), %.0f ms in all\n", area.adds, updates,
          Milliseconds(start, Now()));
}

int timerMessages = 0;

LRESULT CALLBACK CountTimers(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && reinterpret_cast<const MSG*>(lParam)->message == WM_TIMER)
        ++timerMessages;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Idle(int seconds) {
    Folder folder(L"vimbrel-bench-idle");
    folder.Fill(5);
    Quiet quiet;
    CountingArea area;
    Outside outside{area, quiet, quiet};
    const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, CountTimers, nullptr, GetCurrentThreadId());
    for (const bool antiHide : {false, true}) {
        Options options{antiHide, false};
        MainWindow window(GetModuleHandleW(nullptr), outside, options, folder.Path());
        timerMessages = 0;
        for (const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000; GetTickCount64() < end;)
            window.Step(static_cast<DWORD>(end - GetTickCount64()));
        Print("idle for %d s, Anti-Hide %s: %d timer messages\n", seconds, antiHide ? "on" : "off", timerMessages);
    }
    UnhookWindowsHookEx(hook);
}

SIZE_T Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

void Leaks() {
    Folder folder(L"vimbrel-bench-leaks");
    folder.Fill(50);
    CountingArea area;
    IconRow row(area, nullptr, folder.Path());
    row.Rebuild();
    const auto icons = HandleCounter<IconTraits>::live();
    const SIZE_T memory = Memory();
    for (int i = 0; i < 1000; ++i) {
        folder.Write(L"Файл 2.ini", std::string(static_cast<size_t>(i % 50) + 1, 'x'));
        if (i % 2 == 0)
            folder.Write(L"comes and goes.txt");
        else
            DeleteFileW(JoinPath(folder.Path(), L"comes and goes.txt").c_str());
        row.Update();
    }
    Print("1000 updates of 50 elements: %zu elements; live icons %llu before, %llu after; memory %+lld KB\n",
          row.Elements().size(), static_cast<unsigned long long>(icons),
          static_cast<unsigned long long>(HandleCounter<IconTraits>::live()),
          (static_cast<long long>(Memory()) - static_cast<long long>(memory)) / 1024);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--out") {
        out = _wfopen(argv[2], L"w");
        first = 3;
    }
    const std::wstring part = argc > first ? argv[first] : L"";
    const int number = argc > first + 1 ? _wtoi(argv[first + 1]) : 0;
    if (part == L"change")
        Change(number);
    else if (part == L"calls")
        Calls();
    else if (part == L"burst")
        Burst();
    else if (part == L"idle")
        Idle(number > 0 ? number : 60);
    else if (part == L"leaks")
        Leaks();
    else
        Print("usage: live_row_bench [--out FILE] change N | calls | burst | idle SECONDS | leaks\n");
    if (out) std::fclose(out);
    return 0;
}

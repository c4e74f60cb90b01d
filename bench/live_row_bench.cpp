// Figures for the program's start and for how it answers while its row loads
// or follows the folder. Runs in a Wine desktop (or on Windows) with a
// taskbar: the program's own main window and message loop against the real
// notification area and the shell's real icons, both counted on their way.
//
//   start N        N files in the folder: from making the main window to the
//                  main icon, to an icon for every file (its type's or its
//                  own) and to the last file's own icon
//   click N        the same start, with the main icon clicked twice a second
//                  (left and right by turns) until the row is loaded: from
//                  each click's arrival to its menu, worst and median
//   refresh N      "Обновить" in a loaded row of N files, the main icon
//                  clicked the same way until every file shows its icon read
//                  anew: how long, the calls it took, and the clicks
//   change N       one new file in a loaded row of N: until its icon shows,
//                  and its own icon; median of 7
//   calls          taskbar calls and icon readings for one file added,
//                  changed and removed, 100 files in the row
//   burst          300 files copied in one after the other: until they all
//                  show
//   idle SECONDS   timer messages on the window's thread while nothing
//                  happens, Anti-Hide off and on
//   leaks          icons, menu bitmaps and memory over 1,000 changes of a row
//                  of 50 files, with the main menu opened after each
//   program N PATH the real program (PATH) with N files in its elements
//                  folder, which must be empty: until its main icon shows,
//                  until every file's does, and its menus on the screen for
//                  clicks through the taskbar meanwhile and after «Обновить»
//
//   --slow         each file's own icon takes 5 s to read, as for a shortcut
//                  to a share that does not answer
//   --for SECONDS  a part gives up waiting after this long (600 by default);
//                  a slow start of many files ends there, loaded or not
//   --posted       clicks are posted to the window, not sent as the taskbar
//                  sends them
//   --taskbar      clicks go through the taskbar: a mouse click (SendInput)
//                  where it shows the main icon, so that they wait in its
//                  queue as the user's do
//   --xdotool      the same click made in the X server by xdotool (under
//                  Wine only), which the taskbar reads with the rest of its
//                  X input, as it reads the user's
//   --out FILE     the figures go to FILE too: a program started in a Wine
//                  desktop may not reach the terminal

#include "base/priority.h"
#include "base/paths.h"
#include "base/user_texts.h"
#include "outside/outside.h"
#include "tray/icon_row.h"
#include "tray/main_window.h"
#include "tray/menus.h"

#include <commctrl.h>
#include <windowsx.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kSlowReadMs = 5000;
// Left and right clicks by turns, each kind once a second: a left click
// that follows another within the double-click time would be taken for the
// second half of a double click.
constexpr double kClickIntervalMs = 500;
// How long a part waits for one change or one menu before it gives up.
constexpr double kWaitMs = 10000;

std::FILE* out = nullptr;
double limitMs = 600000;
bool postClicks = false;
bool throughTaskbar = false;
bool byXdotool = false;

template <class... Args>
void Print(const char* format, Args... args) {
    std::printf(format, args...);
    std::fflush(stdout);
    if (out) {
        std::fprintf(out, format, args...);
        std::fflush(out);
    }
}

double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Worst(const std::vector<double>& values) {
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

// What reached the taskbar, the icon source and the menu, and when. Written
// on the window's thread and the icon worker's; the part's own thread waits
// on it.
class Record {
public:
    struct Calls {
        int adds = 0, versions = 0, modifies = 0, removes = 0, others = 0;
        double ms = 0;  // spent inside them
        int Total() const { return adds + versions + modifies + removes + others; }
    };
    struct Menu {
        LONG x;  // of the click it answers
        double at;
        int listed;  // files in its "Элементы"
    };
    struct Icon {
        std::wstring tip;
        bool present = false;
        double shownAt = -1;     // first in the taskbar
        double ownShownAt = -1;  // first carrying the file's own icon
        double ownLastAt = -1;   // last given an icon of its own
        int ownShows = 0;        // icons of its own it was given
    };

    // Room made at once, so that the bench's own record does not grow the
    // program's memory while leaks are looked for.
    Record() { menus_.reserve(4096); }

    void Called(int Calls::*kind, double start, double end) {
        Locked([&] {
            ++(calls_.*kind);
            calls_.ms += end - start;
            lastCallAt_ = end;
        });
    }
    void Shown(TrayIconKey key, HICON icon, std::wstring_view tip, double at) {
        Locked([&] {
            seenIcons_.insert(icon);
            if (key.id == IconRow::kMainIconId) {
                if (mainShownAt_ < 0) mainShownAt_ = at;
                return;
            }
            Icon& shown = icons_[key.id];
            shown.tip = tip;
            shown.present = true;
            if (shown.shownAt < 0) shown.shownAt = at;
            // Forgotten once shown: an icon handle destroyed later may come back as another icon.
            if (unshownOwn_.erase(icon) == 0) return;
            ++shown.ownShows;
            if (shown.ownShownAt < 0) shown.ownShownAt = at;
            shown.ownLastAt = at;
        });
    }
    void Removed(UINT id) {
        Locked([&] {
            if (const auto removed = icons_.find(id); removed != icons_.end()) removed->second.present = false;
        });
    }
    void Read(HICON icon, double start, double end) {
        Locked([&] {
            ++reads_;
            readMs_ += end - start;
            lastReadAt_ = end;
            if (icon) unshownOwn_.insert(icon);
        });
    }
    void MenuShown(LONG x, double at, int listed) {
        Locked([&] { menus_.push_back({x, at, listed}); });
    }
    void MenuBitmap(HBITMAP bitmap) {
        Locked([&] { seenBitmaps_.insert(bitmap); });
    }
    // Of every icon the program gave the taskbar and every bitmap «Элементы»
    // showed, those that still exist: a count Wine's GetGuiResources (always
    // 0) cannot give. A value freed and taken again by another object (Wine
    // keeps an icon's images as GDI bitmaps) still counts: a few are noise,
    // growth with the rounds is a leak.
    std::pair<int, int> Live() {
        const std::lock_guard lock(mutex_);
        int icons = 0, bitmaps = 0;
        for (const HICON icon : seenIcons_) {
            ICONINFO info{};
            if (!GetIconInfo(icon, &info)) continue;
            ++icons;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        for (const HBITMAP bitmap : seenBitmaps_) bitmaps += GetObjectType(bitmap) == OBJ_BITMAP;
        return {icons, bitmaps};
    }

    // Waits until the condition, called under the lock, holds; false at the deadline.
    template <class Condition>
    bool WaitUntil(Condition condition, double deadline) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (condition()) return true;
            const double left = deadline - NowMs();
            if (left <= 0) return false;
            changed_.wait_for(lock, std::chrono::duration<double, std::milli>(std::min(left, 100.0)));
        }
    }
    template <class F>
    auto Get(F f) {
        const std::lock_guard lock(mutex_);
        return f();
    }
    // Waits until no taskbar call came for quietMs, so that whatever follows a change is counted too.
    void WaitQuiet(double quietMs, double deadline) {
        WaitUntil([&] { return NowMs() - lastCallAt_ >= quietMs; }, deadline);
    }

    // Under the lock only (in a WaitUntil condition or after the run).
    double MainShownAt() const { return mainShownAt_; }
    // Every own icon read is shown.
    bool OwnShown() const { return unshownOwn_.empty(); }
    int Present() const {
        return static_cast<int>(
            std::count_if(icons_.begin(), icons_.end(), [](const auto& i) { return i.second.present; }));
    }
    // Every file shows, and every own icon read is shown.
    bool Loaded(int files) const { return Present() == files && reads_ >= files && unshownOwn_.empty(); }
    const Icon* Find(std::wstring_view tip) const {
        for (const auto& [id, icon] : icons_)
            if (icon.tip == tip) return &icon;
        return nullptr;
    }
    size_t Menus() const { return menus_.size(); }
    const Menu* LastMenu() const { return menus_.empty() ? nullptr : &menus_.back(); }
    const Menu* MenuAt(size_t index) const { return index < menus_.size() ? &menus_[index] : nullptr; }

    // After the run.
    const std::map<UINT, Icon>& Icons() const { return icons_; }
    const std::vector<Menu>& MenusShown() const { return menus_; }
    const Calls& CallCount() const { return calls_; }
    int Reads() const { return reads_; }
    double ReadMs() const { return readMs_; }
    double LastReadAt() const { return lastReadAt_; }

    // Counting starts anew, what the taskbar shows stays.
    void ResetCalls() {
        Locked([&] {
            calls_ = {};
            reads_ = 0;
            readMs_ = 0;
        });
    }

    // What the program does once the part is over (closing, every icon
    // removed) is left out of its figures.
    void Freeze() {
        const std::lock_guard lock(mutex_);
        frozen_ = true;
    }

private:
    template <class F>
    void Locked(F f) {
        {
            const std::lock_guard lock(mutex_);
            if (frozen_) return;
            f();
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool frozen_ = false;
    double mainShownAt_ = -1;
    std::map<UINT, Icon> icons_;
    std::set<HICON> unshownOwn_;
    std::set<HICON> seenIcons_;
    std::set<HBITMAP> seenBitmaps_;
    Calls calls_;
    double lastCallAt_ = 0;
    int reads_ = 0;
    double readMs_ = 0, lastReadAt_ = -1;
    std::vector<Menu> menus_;
};

// The real notification area, each call timed and counted.
class CountingArea final : public NotificationArea {
public:
    explicit CountingArea(Record& record) : record_(record) {}
    bool Add(TrayIconKey key, HICON icon, std::wstring_view tip) override {
        return Shown(&Record::Calls::adds, key, icon, tip, [&] { return real_.Add(key, icon, tip); });
    }
    bool Modify(TrayIconKey key, HICON icon, std::wstring_view tip) override {
        return Shown(&Record::Calls::modifies, key, icon, tip, [&] { return real_.Modify(key, icon, tip); });
    }
    bool SetVersion(TrayIconKey key) override {
        const double start = NowMs();
        const bool set = real_.SetVersion(key);
        record_.Called(&Record::Calls::versions, start, NowMs());
        return set;
    }
    void Remove(TrayIconKey key) override {
        const double start = NowMs();
        real_.Remove(key);
        record_.Called(&Record::Calls::removes, start, NowMs());
        record_.Removed(key.id);
    }
    void ShowBalloon(TrayIconKey key, std::wstring_view title, std::wstring_view text) override {
        const double start = NowMs();
        real_.ShowBalloon(key, title, text);
        record_.Called(&Record::Calls::others, start, NowMs());
    }
    void GiveBackFocus(TrayIconKey key) override {
        const double start = NowMs();
        real_.GiveBackFocus(key);
        record_.Called(&Record::Calls::others, start, NowMs());
    }

private:
    template <class Call>
    bool Shown(int Record::Calls::*kind, TrayIconKey key, HICON icon, std::wstring_view tip, Call call) {
        const double start = NowMs();
        const bool shown = call();
        const double end = NowMs();
        record_.Called(kind, start, end);
        if (shown) record_.Shown(key, icon, tip, end);
        return shown;
    }

    Record& record_;
    ShellNotificationArea real_;
};

// The shell's own icons, through the seam the icon worker reads them by,
// each reading counted; slow, each takes as long as a shortcut to a share
// that does not answer.
class CountingIcons final : public FileIcons {
public:
    CountingIcons(std::shared_ptr<Record> record, DWORD delayMs) : record_(std::move(record)), delayMs_(delayMs) {}
    FileReading Read(const std::wstring& path, int size) override {
        const double start = NowMs();
        if (delayMs_ != 0) Sleep(delayMs_);
        FileReading reading = real_.Read(path, size);
        record_->Read(reading.icon.get(), start, NowMs());
        return reading;
    }
    UniqueIcon TypeIcon(const std::wstring& fileName, int size) override { return real_.TypeIcon(fileName, size); }

private:
    // Shared: the worker may still be reading when the part is over.
    std::shared_ptr<Record> record_;
    DWORD delayMs_;
    ShellFileIcons real_;
};

// Nothing modal opens: a menu is answered at once with nothing chosen (or
// with the command a part asked for), the shell is never asked to start
// anything.
class Quiet final : public ModalUi, public Shell {
public:
    explicit Quiet(Record& record) : record_(record) {}
    std::atomic<UINT> answer = 0;             // the next menu's choice
    std::atomic<bool> listsElements = false;  // the user opens «Элементы» in each main menu
    int MessageBox(const std::wstring&, UINT) override { return IDOK; }
    std::optional<std::wstring> InputBox(const std::wstring&, const std::wstring&) override { return {}; }
    std::optional<std::wstring> ChooseFile(HWND) override { return {}; }
    void ShowAbout(HWND) override {}
    MenuChoice PopupMenu(HMENU menu, HWND owner, POINT at) override {
        const double shownAt = NowMs();
        // "Элементы", first in the main menu, lists every file of the row when it opens.
        const HMENU elements = GetSubMenu(menu, 0);
        if (listsElements && elements) SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(elements), 0);
        const int listed = elements ? GetMenuItemCount(elements) : 0;
        for (int i = 0; i < listed; ++i) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_BITMAP;
            if (GetMenuItemInfoW(elements, static_cast<UINT>(i), TRUE, &item) && item.hbmpItem)
                record_.MenuBitmap(item.hbmpItem);
        }
        if (listsElements && elements) SendMessageW(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(elements), 0);
        record_.MenuShown(at.x, shownAt, listed);
        return {answer.exchange(0)};
    }
    DWORD Open(HWND, const std::wstring&) override { return ERROR_SUCCESS; }
    void Delete(HWND, const std::wstring&) override {}
    void ShowProperties(HWND, const std::wstring&) override {}
    void OpenIconSettings(HWND) override {}

private:
    Record& record_;
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
        const UniqueFile file(
            CreateFileW(JoinPath(path_, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
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

// What reaches the window's thread, seen by hooks: when each tray callback
// arrived, sent or taken from the queue, and the timer messages while they
// are counted. Read by the part's thread once the program's loop is over.
struct Taken {
    struct Callback {
        double at;
        bool queued;  // from the queue: posted, or put back while the row was busy
    };
    std::vector<Callback> callbacks;
    std::atomic<bool> countingTimers = false;
    int timers = 0;
} taken;

LRESULT CALLBACK WatchQueue(int code, WPARAM removal, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE) {
        if (message->message == kTrayCallbackMessage)
            taken.callbacks.push_back({NowMs(), true});
        else if (message->message == WM_TIMER && taken.countingTimers)
            ++taken.timers;
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

LRESULT CALLBACK WatchSent(int code, WPARAM fromThisThread, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == kTrayCallbackMessage) taken.callbacks.push_back({NowMs(), false});
    return CallNextHookEx(nullptr, code, fromThisThread, lParam);
}

class Hooks {
public:
    Hooks()
        : queue_(SetWindowsHookExW(WH_GETMESSAGE, WatchQueue, nullptr, GetCurrentThreadId())),
          sent_(SetWindowsHookExW(WH_CALLWNDPROC, WatchSent, nullptr, GetCurrentThreadId())) {
        taken.callbacks.reserve(65536);
    }
    ~Hooks() {
        for (const HHOOK hook : {queue_, sent_})
            if (hook) UnhookWindowsHookEx(hook);
    }
    Hooks(const Hooks&) = delete;
    Hooks& operator=(const Hooks&) = delete;

private:
    HHOOK queue_, sent_;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// Where the taskbar shows the main icon, on the screen. Each icon has a
// tooltip window of its own, owned by the taskbar; it answers with the
// icon's rectangle, into memory of the taskbar's process.
std::optional<POINT> MainIconPlace() {
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(taskbar, &pid);
    const UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!taskbar || !process) return std::nullopt;
    char* remote = static_cast<char*>(VirtualAllocEx(process.get(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    const ScopeExit free([&] { VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE); });
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (const HWND tooltip : windows) {
        wchar_t name[64] = L"";
        GetClassNameW(tooltip, name, 64);
        if (std::wstring(name) != TOOLTIPS_CLASSW || GetAncestor(GetWindow(tooltip, GW_OWNER), GA_ROOT) != taskbar)
            continue;
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.lpszText = reinterpret_cast<wchar_t*>(remote + 512);
        wchar_t text[256] = L"";
        WriteProcessMemory(process.get(), remote, &info, sizeof info, nullptr);
        WriteProcessMemory(process.get(), remote + 512, text, sizeof text, nullptr);
        if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(remote))) continue;
        ReadProcessMemory(process.get(), remote, &info, sizeof info, nullptr);
        ReadProcessMemory(process.get(), remote + 512, text, sizeof text - 2, nullptr);
        if (std::wstring(text) != texts::kMainIconTip || IsRectEmpty(&info.rect)) continue;
        POINT centre{(info.rect.left + info.rect.right) / 2, (info.rect.top + info.rect.bottom) / 2};
        MapWindowPoints(info.hwnd, nullptr, &centre, 1);
        return centre;
    }
    return std::nullopt;
}

// Set once a part has found it: clicks go through the taskbar from then on.
std::optional<POINT> mainIconAt;

// Where the pointer goes after each click, as the end-to-end test's go: an
// empty spot of the desktop, so that no icon's tooltip comes up meanwhile.
constexpr POINT kAway{500, 300};

// A mouse click at that place on the screen, as the user's hand makes it:
// the window under the pointer takes it from its input queue.
void ClickAt(POINT at, bool right) {
    const auto normal = [](LONG value, int metric) {
        return static_cast<LONG>((value + 0.5) * 65536.0 / GetSystemMetrics(metric));
    };
    INPUT inputs[4] = {};
    for (INPUT& input : inputs) {
        const POINT to = &input == &inputs[3] ? kAway : at;
        input.type = INPUT_MOUSE;
        input.mi.dx = normal(to.x, SM_CXSCREEN);
        input.mi.dy = normal(to.y, SM_CYSCREEN);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags |= right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    inputs[3].mi.dwFlags |= MOUSEEVENTF_MOVE;
    SendInput(4, inputs, sizeof inputs[0]);
}

// The same click made in the X server under Wine, by one xdotool that
// reads its commands as they are written into a named pipe of the Unix
// side: no program start between the moment a click is made and the click.
// Wine runs a Unix program that CreateProcess is given (the shell here,
// which makes the pipe); its anonymous pipes do not reach such a program.
class Xdotool {
public:
    // A name no earlier run had (Wine gives its processes the same ids again
    // and again), or a shell of that run, still waiting for its pipe to
    // open, would take these commands to its long gone X server.
    Xdotool()
        : fifo_("/tmp/vimbrel-bench-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(static_cast<unsigned long long>(NowMs() * 1000))) {
        const std::wstring fifo = Wide(fifo_);
        // The shell takes the pipe away once xdotool has ended.
        std::wstring command = L"sh -c \"mkfifo " + fifo + L" && xdotool - <" + fifo + L"; rm -f " + fifo + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &started)) {
            Print("xdotool could not be started: error %lu\n", GetLastError());
            return;
        }
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        // Open once the shell has made it, which takes a moment.
        for (const double end = NowMs() + 5000; !pipe_ && NowMs() < end; Sleep(20))
            pipe_ =
                UniqueFile(CreateFileW(WindowsPath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!pipe_) Print("xdotool's pipe did not open\n");
    }
    // Its input closed, xdotool ends.
    ~Xdotool() = default;
    Xdotool(const Xdotool&) = delete;
    Xdotool& operator=(const Xdotool&) = delete;

    void Click(POINT at, bool right) {
        Run("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click " + (right ? "3" : "1") +
            " mousemove " + std::to_string(kAway.x) + " " + std::to_string(kAway.y) + "\n");
    }

private:
    void Run(const std::string& line) {
        DWORD written = 0;
        WriteFile(pipe_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
    std::wstring WindowsPath() const {
        std::wstring path = L"Z:" + Wide(fifo_);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        return path;
    }

    std::string fifo_;
    UniqueFile pipe_;
};

std::unique_ptr<Xdotool> xdotool;

// A click on the main icon. Through the taskbar, a real click where it shows
// the icon; else as the taskbar reports one: Wine's taskbar sends it with
// SendNotifyMessage, so that it arrives even while the program waits inside
// a call to the taskbar; posted, it waits in the queue for the loop.
void Click(HWND hwnd, WORD x, WORD event) {
    if (mainIconAt && xdotool) return xdotool->Click(*mainIconAt, event == WM_CONTEXTMENU);
    if (mainIconAt) return ClickAt(*mainIconAt, event == WM_CONTEXTMENU);
    const WPARAM anchor = MAKEWPARAM(x, 700);
    const LPARAM what = MAKELPARAM(event, IconRow::kMainIconId);
    if (postClicks)
        PostMessageW(hwnd, kTrayCallbackMessage, anchor, what);
    else
        SendNotifyMessageW(hwnd, kTrayCallbackMessage, anchor, what);
}

// The program on one folder, made as wWinMain makes it, with the outside
// components counted.
struct Session {
    Session(const Folder& folder, bool slow, bool antiHide = false)
        : outside{area, quiet, quiet, std::make_shared<CountingIcons>(record, slow ? kSlowReadMs : 0)},
          options{antiHide, false},
          startedAt(NowMs()),
          window(GetModuleHandleW(nullptr), outside, options, folder.Path()) {}

    // The program's own message loop runs on this thread while `part` works
    // on another; the program is closed once `part` returns.
    template <class Part>
    void Run(Part part) {
        const HWND hwnd = window.Handle();
        std::thread control([&] {
            part(hwnd);
            endedAt = NowMs();
            record->Freeze();
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        });
        window.Run();
        control.join();
    }
    bool WaitLoaded(int files) {
        return record->WaitUntil([&] { return record->Loaded(files); }, startedAt + limitMs);
    }

    std::shared_ptr<Record> record = std::make_shared<Record>();
    CountingArea area{*record};
    Quiet quiet{*record};
    Outside outside;
    Options options;
    double startedAt;
    double endedAt = 0;  // of the part, before the program closes
    MainWindow window;
};

void PrintCalls(const Record& record, double wallMs) {
    const Record::Calls& calls = record.CallCount();
    Print("  taskbar: %d NIM_ADD, %d NIM_SETVERSION, %d NIM_MODIFY, %d NIM_DELETE, %d other; %.0f ms inside them "
          "(%.1f ms a call, %.0f%% of the time)\n",
          calls.adds, calls.versions, calls.modifies, calls.removes, calls.others, calls.ms,
          calls.Total() ? calls.ms / calls.Total() : 0.0, wallMs > 0 ? 100.0 * calls.ms / wallMs : 0.0);
}

void PrintReads(const Record& record, double since) {
    Print("  own icons read: %d, %.1f ms each on the worker's thread, the last done at %.0f ms\n", record.Reads(),
          record.Reads() ? record.ReadMs() / record.Reads() : 0.0, record.Reads() ? record.LastReadAt() - since : 0.0);
}

// Clicks on the main icon, left and right by turns, each once the one before
// has its menu (so that none waits behind another) and at least half a
// second after it: when each was made, how many icons the taskbar showed
// then, and its menu.
struct Clicks {
    std::vector<double> made;
    std::vector<int> shown;
    std::vector<Record::Menu> menus;  // one fewer than made when the last had none within kWaitMs
};

// Clicks until `done` (called under the record's lock) holds or `end` has
// passed; whether it held.
template <class Done>
bool ClickUntil(HWND hwnd, Record& record, Done done, double end, Clicks& clicks) {
    for (double next = NowMs(); next < end;) {
        if (record.WaitUntil(done, next)) return true;
        const auto [menus, shown] = record.Get([&] { return std::pair(record.Menus(), record.Present()); });
        clicks.shown.push_back(shown);
        clicks.made.push_back(NowMs());
        const auto x = static_cast<WORD>(clicks.made.size());
        Click(hwnd, x, x % 2 != 0 ? NIN_SELECT : WM_CONTEXTMENU);
        if (!record.WaitUntil([&] { return record.Menus() > menus; }, NowMs() + kWaitMs)) {
            Print("  click %zu: no menu within %.0f s; no more clicks\n", clicks.made.size(), kWaitMs / 1000);
            return record.WaitUntil(done, end);
        }
        clicks.menus.push_back(record.Get([&] { return *record.MenuAt(menus); }));
        next = std::max(clicks.made.back() + kClickIntervalMs, clicks.menus.back().at + kClickIntervalMs / 2);
    }
    return record.Get(done);
}

const char* ClickWay() {
    if (throughTaskbar) return byXdotool ? "xdotool, through the taskbar" : "SendInput, through the taskbar";
    return postClicks ? "posted" : "sent";
}

// From each click to its menu, and where that time went: until the first
// callback reached the window's thread (the taskbar took the click), and
// from there to the menu. After the run.
void PrintClicks(const Clicks& clicks, const char* during) {
    std::vector<double> total, queued, handled;
    int worstShown = 0, putBack = 0;
    for (size_t k = 0; k < clicks.menus.size(); ++k) {
        const double made = clicks.made[k], menu = clicks.menus[k].at;
        const auto first = std::find_if(taken.callbacks.begin(), taken.callbacks.end(),
                                        [&](const Taken::Callback& c) { return c.at >= made; });
        if (first == taken.callbacks.end() || first->at > menu) continue;
        const auto fromQueue = std::count_if(first, taken.callbacks.end(),
                                             [&](const Taken::Callback& c) { return c.at <= menu && c.queued; });
        if (fromQueue > (postClicks ? 1 : 0)) ++putBack;
        if (total.empty() || menu - made > Worst(total)) worstShown = clicks.shown[k];
        total.push_back(menu - made);
        queued.push_back(first->at - made);
        handled.push_back(menu - first->at);
    }
    Print("  %zu clicks (%s) %s, %zu menus: click to menu worst %.1f ms (%d icons shown then), median %.1f ms\n",
          clicks.made.size(), ClickWay(), during, total.size(), Worst(total), worstShown, Median(total));
    Print("    until the window took it worst %.1f ms, median %.1f ms; from there to the menu worst %.1f ms, median "
          "%.1f ms; %d put back until the taskbar call under way was over\n",
          Worst(queued), Median(queued), Worst(handled), Median(handled), putBack);
}

// Clicks through the taskbar go where it shows the main icon.
bool FindMainIcon() {
    if (!throughTaskbar) return true;
    mainIconAt = MainIconPlace();
    if (!mainIconAt) Print("the main icon is not in the taskbar\n");
    return mainIconAt.has_value();
}

// Start, and with `clicking` the main icon clicked from its arrival until the
// row is loaded.
void Start(int files, bool slow, bool clicking) {
    Folder folder(L"vimbrel-bench-start");
    folder.Fill(files);
    const Hooks hooks;
    Session session(folder, slow);
    Record& record = *session.record;
    Clicks clicks;
    bool loaded = false;
    session.Run([&](HWND hwnd) {
        const double end = session.startedAt + limitMs;
        if (!clicking) {
            loaded = session.WaitLoaded(files);
            return;
        }
        record.WaitUntil([&] { return record.MainShownAt() >= 0; }, end);
        if (FindMainIcon())
            loaded = ClickUntil(
                hwnd, record, [&] { return record.Loaded(files); }, end, clicks);
    });

    const double runMs = session.endedAt - session.startedAt;
    double lastShown = -1, lastOwn = -1;
    int own = 0;
    for (const auto& [id, icon] : record.Icons()) {
        lastShown = std::max(lastShown, icon.shownAt - session.startedAt);
        if (icon.ownShownAt >= 0) ++own;
        lastOwn = std::max(lastOwn, icon.ownShownAt - session.startedAt);
    }
    Print("%s %d files%s: main icon %.0f ms; every file's icon %.0f ms (%d shown); ", clicking ? "click" : "start",
          files, slow ? ", 5 s a read" : "", record.MainShownAt() - session.startedAt, lastShown, record.Present());
    if (loaded)
        Print("every own icon %.0f ms (%d)\n", lastOwn, own);
    else
        Print("%d own icons by the end, %.0f s, the last at %.0f ms\n", own, runMs / 1000, lastOwn);
    PrintCalls(record, runMs);
    PrintReads(record, session.startedAt);
    if (!clicking) return;

    PrintClicks(clicks, "while loading");
    // Where a menu's time goes: "Элементы" lists every file of the row, each with its icon.
    Menus menus;
    const UniqueIcon icon = ShellFileIcons().TypeIcon(L"Файл.txt", TrayIconSize());
    const std::vector<MenuElement> elements(static_cast<size_t>(files), MenuElement{icon.get(), L"Файл.txt", L""});
    const double start = NowMs();
    menus.SetElements(elements);
    const double again = NowMs();
    menus.SetElements(elements);
    Print("  the list of %d files alone (Menus::SetElements, after the run): %.0f ms into an empty menu, %.0f ms "
          "in place of the same list\n",
          files, again - start, NowMs() - again);
}

// "Обновить" chosen in the main menu of a loaded row, the main icon clicked
// until every file shows its own icon read anew (each own icon shown once
// more than before, and no reading left unshown).
void Refresh(int files) {
    Folder folder(L"vimbrel-bench-refresh");
    folder.Fill(files);
    const Hooks hooks;
    Session session(folder, false);
    Record& record = *session.record;
    Clicks clicks;
    double chosen = 0, ended = 0;
    bool refreshed = false;
    std::map<UINT, int> before;  // own icons shown, by icon id
    session.Run([&](HWND hwnd) {
        if (!session.WaitLoaded(files)) return Print("refresh: the row did not load\n");
        record.WaitQuiet(1000, NowMs() + kWaitMs);
        if (!FindMainIcon()) return;
        record.Get([&] {
            for (const auto& [id, icon] : record.Icons()) before[id] = icon.ownShows;
        });
        record.ResetCalls();
        const size_t menus = record.Get([&] { return record.Menus(); });
        session.quiet.answer = CommandId(MainCommand::Refresh);
        Click(hwnd, 0, WM_CONTEXTMENU);
        if (!record.WaitUntil([&] { return record.Menus() > menus; }, NowMs() + kWaitMs))
            return Print("refresh: the menu did not open\n");
        chosen = record.Get([&] { return record.MenuAt(menus)->at; });
        const auto done = [&] {
            for (const auto& [id, shows] : before) {
                const auto icon = record.Icons().find(id);
                if (icon == record.Icons().end() || !icon->second.present || icon->second.ownShows <= shows)
                    return false;
            }
            return record.OwnShown();
        };
        refreshed = ClickUntil(hwnd, record, done, chosen + limitMs, clicks);
        ended = NowMs();
    });
    double last = -1;
    for (const auto& [id, icon] : record.Icons()) last = std::max(last, icon.ownLastAt - chosen);
    if (refreshed)
        Print("refresh %d files: every file's own icon read anew and shown %.0f ms after \"Обновить\"\n", files, last);
    else
        Print("refresh %d files: not done %.0f s after \"Обновить\"\n", files, (ended - chosen) / 1000);
    PrintCalls(record, ended - chosen);
    PrintReads(record, chosen);
    PrintClicks(clicks, "during the refresh");
}

void Change(int files) {
    Folder folder(L"vimbrel-bench-change");
    folder.Fill(files);
    Session session(folder, false);
    Record& record = *session.record;
    std::vector<double> shown, own;
    session.Run([&](HWND) {
        if (!session.WaitLoaded(files)) return Print("change: the row did not load\n");
        for (int round = 0; round < 7; ++round) {
            const std::wstring name = L"новый " + std::to_wstring(round) + L".txt";
            const double start = NowMs();
            folder.Write(name);
            Record::Icon icon;
            const auto followed = [&] {
                const Record::Icon* found = record.Find(name);
                if (found) icon = *found;
                return found && found->ownShownAt >= 0;
            };
            if (!record.WaitUntil(followed, start + kWaitMs)) return Print("  round %d: no own icon\n", round);
            shown.push_back(icon.shownAt - start);
            own.push_back(icon.ownShownAt - start);
        }
    });
    Print("change with %d files: a new file's icon after %.0f ms, its own icon after %.0f ms (median of %zu)\n", files,
          Median(shown), Median(own), own.size());
}

void Calls() {
    Folder folder(L"vimbrel-bench-calls");
    folder.Fill(100);
    Session session(folder, false);
    Record& record = *session.record;
    session.Run([&](HWND) {
        if (!session.WaitLoaded(100)) return Print("calls: the row did not load\n");
        Print("calls for a one-file change, 100 files in the row:\n");
        const auto measure = [&](const char* what, auto change, auto done) {
            record.ResetCalls();
            change();
            const double start = NowMs();
            if (!record.WaitUntil(done, start + kWaitMs)) Print("  %s: not seen\n", what);
            record.WaitQuiet(1000, start + kWaitMs);
            const auto [calls, reads] = record.Get([&] { return std::pair(record.CallCount(), record.Reads()); });
            Print("  %s: %d NIM_ADD, %d NIM_SETVERSION, %d NIM_MODIFY, %d NIM_DELETE; %d own icons read\n", what,
                  calls.adds, calls.versions, calls.modifies, calls.removes, reads);
        };
        const std::wstring name = L"added.txt";
        const auto ownShows = [&] {
            const Record::Icon* icon = record.Find(name);
            return icon ? icon->ownShows : 0;
        };
        measure(
            "a file added", [&] { folder.Write(name); }, [&] { return ownShows() == 1; });
        measure(
            "a file changed", [&] { folder.Write(name, "longer content"); }, [&] { return ownShows() == 2; });
        measure(
            "a file removed", [&] { DeleteFileW(JoinPath(folder.Path(), name).c_str()); },
            [&] { return !record.Find(name)->present; });
    });
}

void Burst() {
    constexpr int kFiles = 300;
    Folder staging(L"vimbrel-bench-staging");
    staging.Fill(kFiles);
    Folder folder(L"vimbrel-bench-burst");
    Session session(folder, false);
    Record& record = *session.record;
    double start = 0, copied = 0;
    bool loaded = false;
    session.Run([&](HWND) {
        record.WaitUntil([&] { return record.MainShownAt() >= 0; }, session.startedAt + limitMs);
        record.ResetCalls();
        start = NowMs();
        // As Explorer copies them: one after the other, while the program runs.
        for (const auto& entry : std::filesystem::directory_iterator(staging.Path()))
            CopyFileW(entry.path().c_str(), JoinPath(folder.Path(), entry.path().filename().wstring()).c_str(), FALSE);
        copied = NowMs() - start;
        loaded = record.WaitUntil([&] { return record.Loaded(kFiles); }, start + limitMs);
    });
    double lastShown = -1, lastOwn = -1;
    for (const auto& [id, icon] : record.Icons()) {
        lastShown = std::max(lastShown, icon.shownAt - start);
        lastOwn = std::max(lastOwn, icon.ownShownAt - start);
    }
    Print("burst of %d files copied in, one after the other (%.0f ms to copy): %d shown, the last after %.0f ms; "
          "own icons %s, the last after %.0f ms\n",
          kFiles, copied, record.Present(), lastShown, loaded ? "all shown" : "not all shown", lastOwn);
    PrintCalls(record, session.endedAt - start);
}

void Idle(int seconds) {
    Folder folder(L"vimbrel-bench-idle");
    folder.Fill(5);
    const Hooks hooks;
    for (const bool antiHide : {false, true}) {
        Session session(folder, false, antiHide);
        session.Run([&](HWND) {
            if (!session.WaitLoaded(5)) return Print("idle: the row did not load\n");
            taken.timers = 0;
            taken.countingTimers = true;
            // The time watched is the figure itself.
            Sleep(static_cast<DWORD>(seconds) * 1000);
            taken.countingTimers = false;
        });
        Print("idle for %d s, Anti-Hide %s: %d timer messages\n", seconds, antiHide ? "on" : "off", taken.timers);
    }
}

SIZE_T Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

// What the user sees of the real program: its icons in the taskbar and a
// popup menu on the screen. Each icon has a tooltip window of its own, a
// top-level window of the taskbar's thread: the icons are those windows
// less the ones the thread had before the program started: one call, with
// no message to the taskbar and no question about each window in turn.
int TaskbarWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetWindowThreadProcessId(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr), CollectWindow,
                      reinterpret_cast<LPARAM>(&windows));
    return static_cast<int>(windows.size());
}

HWND MenuShown() {
    for (HWND menu = nullptr; (menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr;)
        if (IsWindowVisible(menu)) return menu;
    return nullptr;
}

// Keys as the menu's own loop takes them from its queue.
void PressKeys(HWND menu, std::initializer_list<WPARAM> keys) {
    for (const WPARAM key : keys) {
        PostMessageW(menu, WM_KEYDOWN, key, 1);
        PostMessageW(menu, WM_KEYUP, key, 0xC0000001);
    }
}

// The real program (PATH), started as the user starts it with N files in
// its elements folder, which must be empty: its main icon clicked through
// the taskbar, left and right by turns, two seconds after the last menu
// closed, from its arrival until every file shows, each menu closed with
// Esc once it is on the screen; then «Обновить» from the main menu and the
// same clicks for kRefreshClicksMs.
void Program(int files, const std::wstring& exe) {
    constexpr double kRefreshClicksMs = 45000, kProgramClickMs = 2000;
    throughTaskbar = true;
    PWSTR appData = nullptr;
    SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &appData);
    const std::wstring folder = JoinPath(JoinPath(appData, L"Quenwald"), L"Vimbrel");
    CoTaskMemFree(appData);
    std::filesystem::create_directories(folder);
    if (!std::filesystem::is_empty(folder)) return Print("program: %ls is not empty\n", folder.c_str());
    static const wchar_t* const kinds[] = {L"txt", L"cmd", L"ini", L"log", L"html", L"bat"};
    for (int i = 0; i < files; ++i) {
        const std::wstring name = L"Файл " + std::to_wstring(i) + L"." + kinds[i % 6];
        const UniqueFile file(
            CreateFileW(JoinPath(folder, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    const ScopeExit emptied([&] {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove(entry.path());
    });

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring command = L"\"" + exe + L"\"";
    const int before = TaskbarWindows();
    const double start = NowMs();
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return Print("program: %ls did not start: error %lu\n", exe.c_str(), GetLastError());
    const UniqueHandle process(started.hProcess);
    CloseHandle(started.hThread);

    // Icons are counted a few times a second, not to keep the taskbar busy.
    int shown = 0;
    double nextCount = 0, allAt = -1;
    const auto count = [&] {
        if (NowMs() < nextCount) return;
        shown = TaskbarWindows() - before;
        if (shown > files && allAt < 0) allAt = NowMs() - start;
        nextCount = NowMs() + 250;
    };
    // Clicks until `end`, or every file shows: from each click to its menu
    // on the screen, and the icons shown when it was made.
    const auto clickUntil = [&](double end, bool untilShown, const char* during) {
        std::vector<double> waits;
        int worstShown = 0, lost = 0;
        for (int k = 1; NowMs() < end && !(untilShown && allAt >= 0);) {
            for (const double next = NowMs() + kProgramClickMs; NowMs() < next && !(untilShown && allAt >= 0);) {
                count();
                Sleep(50);
            }
            if (untilShown && allAt >= 0) break;
            const double made = NowMs();
            Click(nullptr, 0, k++ % 2 != 0 ? NIN_SELECT : WM_CONTEXTMENU);
            HWND menu = nullptr;
            while (!(menu = MenuShown()) && NowMs() < made + kWaitMs) Sleep(2);
            if (!menu) {
                ++lost;
                continue;
            }
            if (waits.empty() || NowMs() - made > Worst(waits)) worstShown = shown;
            waits.push_back(NowMs() - made);
            PressKeys(menu, {VK_ESCAPE});
            while (MenuShown() && NowMs() < made + 2 * kWaitMs) Sleep(2);
        }
        Print("  %zu clicks (%s) %s: click to menu on the screen worst %.1f ms (%d icons shown then), median "
              "%.1f ms; %d without a menu within %.0f s\n",
              waits.size() + lost, ClickWay(), during, Worst(waits), worstShown, Median(waits), lost, kWaitMs / 1000);
    };

    while (!(mainIconAt = MainIconPlace()) && NowMs() < start + limitMs) Sleep(10);
    const double mainAt = NowMs() - start;
    clickUntil(start + limitMs, true, "while the row pours in");
    for (; allAt < 0 && NowMs() < start + limitMs; Sleep(50)) count();
    Print("program %d files: main icon %.0f ms, every file's icon %.0f ms after the start\n", files, mainAt, allAt);

    Sleep(1000);
    Click(nullptr, 0, WM_CONTEXTMENU);
    HWND menu = nullptr;
    for (const double end = NowMs() + kWaitMs; !(menu = MenuShown()) && NowMs() < end;) Sleep(2);
    if (!menu) return Print("program: the menu for \"Обновить\" did not open\n");
    // "Элементы", "Создать ярлык...", "Открыть каталог", "Обновить": separators are passed over.
    PressKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    while (MenuShown()) Sleep(2);
    Sleep(static_cast<DWORD>(kClickIntervalMs));
    clickUntil(NowMs() + kRefreshClicksMs, false, "after \"Обновить\"");
    PostMessageW(FindWindowW(kMainWindowClass, nullptr), WM_CLOSE, 0, 0);
    WaitForSingleObject(process.get(), 30000);
}

// One file changed and another added or removed in each round, then the main
// menu opened, with its list of the row's files and their icons.
void Leaks() {
    constexpr int kRounds = 1000;
    Folder folder(L"vimbrel-bench-leaks");
    folder.Fill(50);
    Session session(folder, false);
    Record& record = *session.record;
    session.Run([&](HWND hwnd) {
        if (!session.WaitLoaded(50)) return Print("leaks: the row did not load\n");
        const auto menu = [&] {
            const size_t menus = record.Get([&] { return record.Menus(); });
            // A right click: left clicks this close together would make double clicks.
            Click(hwnd, 0, WM_CONTEXTMENU);
            return record.WaitUntil([&] { return record.Menus() == menus + 1; }, NowMs() + kWaitMs);
        };
        session.quiet.listsElements = true;
        menu();
        const auto [icons, bitmaps] = record.Live();
        const auto memory = static_cast<long long>(Memory());
        long long halfway = 0;
        const std::wstring changing = L"Файл 2.ini", coming = L"comes and goes.txt";
        int round = 0;
        for (; round < kRounds; ++round) {
            if (round == kRounds / 2) halfway = static_cast<long long>(Memory()) - memory;
            folder.Write(changing, std::string(static_cast<size_t>(round % 50) + 1, 'x'));
            if (round % 2 == 0)
                folder.Write(coming);
            else
                DeleteFileW(JoinPath(folder.Path(), coming).c_str());
            const auto followed = [&] {
                const Record::Icon* changed = record.Find(changing);
                const Record::Icon* comes = record.Find(coming);
                // The file that comes and goes gets its own icon each time it comes.
                return changed->ownShows == round + 2 && comes && comes->present == (round % 2 == 0) &&
                       comes->ownShows == round / 2 + 1;
            };
            if (!record.WaitUntil(followed, NowMs() + kWaitMs) || !menu()) break;
        }
        record.WaitQuiet(500, NowMs() + kWaitMs);
        const auto [iconsAfter, bitmapsAfter] = record.Live();
        Print("%d rounds of a changed file, a file added or removed and the main menu with «Элементы» opened, 50 "
              "files: live icons %d before, %d after; menu bitmaps %d before, %d after; memory %+lld KB after %d "
              "rounds, %+lld KB after %d\n",
              round, icons, iconsAfter, bitmaps, bitmapsAfter, halfway / 1024, kRounds / 2,
              (static_cast<long long>(Memory()) - memory) / 1024, round);
    });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> words;
    bool slow = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--out" && i + 1 < argc)
            out = _wfopen(argv[++i], L"w");
        else if (arg == L"--for" && i + 1 < argc)
            limitMs = 1000.0 * _wtoi(argv[++i]);
        else if (arg == L"--slow")
            slow = true;
        else if (arg == L"--posted")
            postClicks = true;
        else if (arg == L"--taskbar")
            throughTaskbar = true;
        else if (arg == L"--xdotool")
            throughTaskbar = byXdotool = true;
        else
            words.push_back(arg);
    }
    const std::wstring part = words.empty() ? L"" : words[0];
    const int number = words.size() > 1 ? _wtoi(words[1].c_str()) : 0;

    // As wWinMain starts the program.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const ComApartment apartment;
    RestAtIdlePriority();
    if (byXdotool) xdotool = std::make_unique<Xdotool>();

    if ((part == L"start" || part == L"click") && number > 0)
        Start(number, slow, part == L"click");
    else if (part == L"refresh" && number > 0)
        Refresh(number);
    else if (part == L"change" && number > 0)
        Change(number);
    else if (part == L"calls")
        Calls();
    else if (part == L"burst")
        Burst();
    else if (part == L"idle")
        Idle(number > 0 ? number : 60);
    else if (part == L"leaks")
        Leaks();
    else if (part == L"program" && number > 0 && words.size() > 2)
        Program(number, words[2]);
    else
        Print("usage: live_row_bench [--slow] [--for SECONDS] [--posted | --taskbar | --xdotool] [--out FILE] "
              "start N | click N | refresh N | change N | calls | burst | idle SECONDS | leaks | program N PATH\n");
    if (out) std::fclose(out);
    return 0;
}

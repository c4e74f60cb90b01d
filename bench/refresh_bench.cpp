// How long a rebuild of the icon row takes against the shell calls no
// rebuild can avoid, and whether many rebuilds leave anything behind.
//
// Needs a notification area: under Wine run it inside a desktop with a
// taskbar, and give it a file for its figures, e.g.
//   wine explorer /desktop=shell,1024x768 refresh_bench.exe Z:\tmp\refresh.txt
// Steps are described in docs/benchmarks.md.

#include "app/environment.h"
#include "app/handles.h"
#include "outside/file_icon_loader.h"
#include "outside/sys_tray_win32.h"
#include "tray/element_list.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr UINT kCallbackMessage = WM_APP + 1;

class Report {
public:
    explicit Report(const wchar_t* path) : file_(path ? _wfopen(path, L"w") : nullptr) {}
    ~Report() {
        if (file_) fclose(file_);
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    template <class... Args>
    void Line(const char* format, Args... args) {
        std::printf(format, args...);
        std::printf("\n");
        std::fflush(stdout);
        if (file_) {
            std::fprintf(file_, format, args...);
            std::fprintf(file_, "\n");
            std::fflush(file_);
        }
    }

private:
    FILE* file_;
};

double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

UniqueWindow MakeOwnerWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Vimbrel.RefreshBench";
    RegisterClassExW(&windowClass);
    return UniqueWindow(CreateWindowExW(0, windowClass.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                        100, nullptr, nullptr, windowClass.hInstance, nullptr));
}

NOTIFYICONDATAW IconData(HWND owner, UINT id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = id;
    return data;
}

// The taskbar of a freshly started desktop may take a moment to accept icons.
bool WaitForNotificationArea(HWND owner) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        NOTIFYICONDATAW data = IconData(owner, 30000);
        data.uFlags = NIF_MESSAGE;
        data.uCallbackMessage = kCallbackMessage;
        if (Shell_NotifyIconW(NIM_ADD, &data)) {
            Shell_NotifyIconW(NIM_DELETE, &data);
            return true;
        }
        Sleep(100);
    }
    return false;
}

class BenchFolder {
public:
    BenchFolder(const std::wstring& root, int files) {
        path_ = root + L"\\files-" + std::to_wstring(files);
        CreateDirectoryW(path_.c_str(), nullptr);
        // A mix of kinds, so the shell looks up several file types.
        static const wchar_t* const kExtensions[] = {L"txt", L"cmd", L"bat", L"ini", L"log", L"html"};
        for (int i = 0; i < files; ++i) {
            const std::wstring name = L"Файл " + std::to_wstring(i) + L"." + kExtensions[i % 6];
            UniqueFile file(CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            WriteFile(file.get(), "x", 1, &written, nullptr);
            names_.push_back(name);
        }
    }
    ~BenchFolder() {
        for (const auto& name : names_) DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    const std::vector<std::wstring>& Names() const { return names_; }

private:
    std::wstring path_;
    std::vector<std::wstring> names_;
};

// Only what any rebuild must ask of the shell for these files: the old icons
// out of the tray and destroyed, then for each file its icon and one add.
// With `setVersion` each add is also told the callback protocol, as the tray
// control does for its clicks (version 4 reports them per icon).
class FloorRow {
public:
    FloorRow(HWND owner, bool setVersion) : owner_(owner), setVersion_(setVersion) {}
    ~FloorRow() { Clear(); }
    FloorRow(const FloorRow&) = delete;
    FloorRow& operator=(const FloorRow&) = delete;

    void Rebuild(const BenchFolder& folder) {
        Clear();
        for (const auto& name : folder.Names()) {
            const std::wstring path = folder.Path() + L"\\" + name;
            SHFILEINFOW info{};
            SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
            UniqueIcon icon(info.hIcon);
            if (!icon) continue;
            NOTIFYICONDATAW data = IconData(owner_, static_cast<UINT>(icons_.size() + 1));
            data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
            data.uCallbackMessage = kCallbackMessage;
            data.hIcon = icon.get();
            lstrcpynW(data.szTip, name.c_str(), ARRAYSIZE(data.szTip));
            Shell_NotifyIconW(NIM_ADD, &data);
            if (setVersion_) {
                data.uVersion = NOTIFYICON_VERSION_4;
                Shell_NotifyIconW(NIM_SETVERSION, &data);
            }
            icons_.push_back(std::move(icon));
        }
    }

private:
    void Clear() {
        while (!icons_.empty()) {
            NOTIFYICONDATAW data = IconData(owner_, static_cast<UINT>(icons_.size()));
            Shell_NotifyIconW(NIM_DELETE, &data);
            icons_.pop_back();
        }
    }

    HWND owner_;
    bool setVersion_;
    std::vector<UniqueIcon> icons_;
};

struct Memory {
    double pagefileKb;
    double workingSetKb;
};

Memory ProcessMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {counters.PagefileUsage / 1024.0, counters.WorkingSetSize / 1024.0};
}

// Each row type on a window of its own, so their icon ids never meet.
struct OwnerWindows {
    UniqueWindow ours = MakeOwnerWindow();
    UniqueWindow floor = MakeOwnerWindow();
    UniqueWindow floorWithVersion = MakeOwnerWindow();
    bool valid() const { return ours && floor && floorWithVersion; }
};

void CompareWithFloor(Report& report, const std::wstring& root, int files, int rounds, const OwnerWindows& owners) {
    const BenchFolder folder(root, files);
    const auto trays = MakeNotifyIconFactory(kCallbackMessage);
    const auto loaders = MakeShellFileIconLoaderFactory();
    ElementSet stElement(*trays, owners.ours.get());
    FloorRow floor(owners.floor.get(), false);
    FloorRow floorWithVersion(owners.floorWithVersion.get(), true);
    AppState state;
    state.SET_ElementsPath = folder.Path();

    // One untimed round each: the shell's first look at a file type costs more.
    RefreshElements(stElement, *loaders, state);
    floor.Rebuild(folder);
    floorWithVersion.Rebuild(folder);
    if (stElement.UBound() != files) report.Line("warning: %d of %d elements made", stElement.UBound(), files);

    std::vector<double> ours, floors, floorsWithVersion;
    const auto timed = [](std::vector<double>& times, auto&& rebuild) {
        const double start = Seconds();
        rebuild();
        times.push_back(Seconds() - start);
        PumpMessages();
    };
    for (int round = 0; round < rounds; ++round) {
        // Interleaved, so drift in the machine's speed hits all three alike.
        timed(ours, [&] { RefreshElements(stElement, *loaders, state); });
        timed(floors, [&] { floor.Rebuild(folder); });
        timed(floorsWithVersion, [&] { floorWithVersion.Rebuild(folder); });
    }
    const double our = Median(ours) * 1000.0, least = Median(floors) * 1000.0,
                 leastWithVersion = Median(floorsWithVersion) * 1000.0;
    report.Line("%5d files, median of %d rebuilds:", files, rounds);
    report.Line("  RefreshElements         %8.1f ms (%6.1f us/file)", our, our * 1000.0 / files);
    report.Line("  floor                   %8.1f ms (%6.1f us/file)  ours / floor = %.3f", least,
                least * 1000.0 / files, our / least);
    report.Line("  floor + NIM_SETVERSION  %8.1f ms (%6.1f us/file)  ours / this = %.3f", leastWithVersion,
                leastWithVersion * 1000.0 / files, our / leastWithVersion);
}

// 1000 rebuilds of the same 50 files; icons and memory are read before and
// after, and every 100 rebuilds in between.
template <class Rebuild>
void RepeatedRebuilds(Report& report, const char* what, Rebuild&& rebuild) {
    // Caches fill during the first rebuilds; growth is judged after them.
    for (int i = 0; i < 20; ++i) rebuild();
    PumpMessages();
    const auto createdBefore = HandleCounter<IconTraits>::created;
    const auto destroyedBefore = HandleCounter<IconTraits>::destroyed;
    const Memory before = ProcessMemory();
    report.Line("1000 rebuilds of 50 files by %s:", what);
    report.Line("  before: icons created %llu destroyed %llu live %llu; pagefile %.0f KB, working set %.0f KB",
                static_cast<unsigned long long>(createdBefore), static_cast<unsigned long long>(destroyedBefore),
                static_cast<unsigned long long>(createdBefore - destroyedBefore), before.pagefileKb,
                before.workingSetKb);
    const double start = Seconds();
    for (int i = 1; i <= 1000; ++i) {
        rebuild();
        PumpMessages();
        if (i % 100 == 0 && i < 1000) {
            const Memory now = ProcessMemory();
            report.Line("  after %4d: icons live %llu; pagefile %.0f KB, working set %.0f KB", i,
                        static_cast<unsigned long long>(HandleCounter<IconTraits>::live()), now.pagefileKb,
                        now.workingSetKb);
        }
    }
    const double elapsed = Seconds() - start;
    const Memory after = ProcessMemory();
    const auto created = HandleCounter<IconTraits>::created, destroyed = HandleCounter<IconTraits>::destroyed;
    report.Line("  after:  icons created %llu destroyed %llu live %llu; pagefile %.0f KB, working set %.0f KB",
                static_cast<unsigned long long>(created), static_cast<unsigned long long>(destroyed),
                static_cast<unsigned long long>(created - destroyed), after.pagefileKb, after.workingSetKb);
    report.Line("  %.1f ms per rebuild; pagefile growth %+.0f KB, working set growth %+.0f KB", elapsed,
                after.pagefileKb - before.pagefileKb, after.workingSetKb - before.workingSetKb);
}

void RepeatedRefreshElements(Report& report, const std::wstring& root, HWND owner) {
    const BenchFolder folder(root, 50);
    const auto trays = MakeNotifyIconFactory(kCallbackMessage);
    const auto loaders = MakeShellFileIconLoaderFactory();
    AppState state;
    state.SET_ElementsPath = folder.Path();
    ElementSet stElement(*trays, owner);
    RepeatedRebuilds(report, "RefreshElements", [&] { RefreshElements(stElement, *loaders, state); });
    report.Line("  elements at the end: %d", stElement.UBound());
}

// The same for the bare shell calls: growth seen here is the system's own.
void RepeatedFloor(Report& report, const std::wstring& root, HWND owner) {
    const BenchFolder folder(root, 50);
    FloorRow floor(owner, true);
    RepeatedRebuilds(report, "the floor (with NIM_SETVERSION)", [&] { floor.Rebuild(folder); });
}

}  // namespace

int main() {
    // Wide arguments without -municode, so the bench builds like any other.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Report report(argv && argc > 1 ? argv[1] : nullptr);
    // "compare", "leaks" or "floor-leaks" runs only that part; without one
    // the first two run.
    const std::wstring only = argv && argc > 2 ? argv[2] : L"";
    // As in the program: the shell's icon lookups expect COM on this thread.
    ComApartment com;
    const OwnerWindows owners;
    if (!owners.valid() || !WaitForNotificationArea(owners.ours.get())) {
        report.Line("error: no notification area (run inside a desktop with a taskbar)");
        return 2;
    }

    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring root = std::wstring(temp) + L"vimbrel-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root.c_str(), nullptr);

    report.Line("refresh_bench: RefreshElements against the unavoidable shell calls");
    if (only.empty() || only == L"compare") {
        CompareWithFloor(report, root, 100, 11, owners);
        CompareWithFloor(report, root, 1000, 5, owners);
    }
    if (only.empty() || only == L"leaks") RepeatedRefreshElements(report, root, owners.ours.get());
    if (only == L"floor-leaks") RepeatedFloor(report, root, owners.floorWithVersion.get());

    RemoveDirectoryW(root.c_str());
    report.Line("done");
    LocalFree(argv);
    return 0;
}

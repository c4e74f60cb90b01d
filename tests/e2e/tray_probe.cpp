// Runs on the Wine desktop beside Vimbrel.exe and tells the end-to-end
// driver what is there, one line per thing, fields separated by tabs, UTF-8,
// then a line "end":
//
//   icons                 icon <tooltip window> <x> <y> <tooltip>; balloon <text>
//   windows               window <class> <pid> <priority class> <visible 0|1> <title> <x> <y>
//                         for each top-level window, x and y its centre
//   endsession            the Restart Manager's "close now", sent to Vimbrel's window
//   link LINK             link <target> <working folder> of a shortcut
//   link LINK TARGET KEY  makes a shortcut to TARGET starting in its folder, with
//                         the shortcut key KEY (IShellLinkW::SetHotkey's number)
//   keys KEY...           down, right, escape or return, posted to the open popup menu
//   hold SECONDS          keeps the desktop open while the program restarts
//
// "--desktop NAME" first joins that desktop, so its windows are the ones seen.

#include "base/handles.h"
#include "base/paths.h"
#include "base/strings.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string out;

void Line(const std::vector<std::wstring>& fields) {
    std::wstring line;
    for (const std::wstring& field : fields) line += (line.empty() ? L"" : L"\t") + field;
    out += Narrow(line) + "\n";
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A tooltip control answers with pointers into the taskbar's process: the
// TOOLINFO and the text buffer live there.
void Icons() {
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(taskbar, &pid);
    const UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return;
    constexpr size_t kText = 1024;
    char* remote = static_cast<char*>(VirtualAllocEx(process.get(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    const ScopeExit free([&] { VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE); });
    for (HWND tooltip : TopLevel()) {
        if (ClassOf(tooltip) != TOOLTIPS_CLASSW || GetAncestor(GetWindow(tooltip, GW_OWNER), GA_ROOT) != taskbar)
            continue;
        for (int i = 0; i < SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0); ++i) {
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<wchar_t*>(remote + 512);
            wchar_t text[kText] = L"";
            WriteProcessMemory(process.get(), remote, &info, sizeof info, nullptr);
            WriteProcessMemory(process.get(), remote + 512, text, sizeof text, nullptr);
            // The control copies the tool's text into lpszText as well.
            SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process.get(), remote, &info, sizeof info, nullptr);
            ReadProcessMemory(process.get(), remote + 512, text, sizeof text - 2, nullptr);
            if (GetWindowLongW(tooltip, GWL_STYLE) & TTS_BALLOON) {
                Line({L"balloon", text});
                continue;
            }
            RECT& rect = info.rect;
            MapWindowPoints(info.hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
            // Wine keeps the tooltip of a deleted icon, with an empty rectangle.
            if (IsRectEmpty(&rect)) continue;
            Line({L"icon", std::to_wstring(reinterpret_cast<UINT_PTR>(tooltip)),
                  std::to_wstring((rect.left + rect.right) / 2), std::to_wstring((rect.top + rect.bottom) / 2), text});
        }
    }
}

void Windows() {
    for (HWND window : TopLevel()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        RECT rect{};
        GetWindowRect(window, &rect);
        Line({L"window", ClassOf(window), std::to_wstring(pid), std::to_wstring(GetPriorityClass(process.get())),
              std::to_wstring(IsWindowVisible(window)), TextOf(window), std::to_wstring((rect.left + rect.right) / 2),
              std::to_wstring((rect.top + rect.bottom) / 2)});
    }
}

void EndSession() {
    const HWND program = FindWindowW(L"Quenwald.Vimbrel.Main", nullptr);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(program, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer);
    SendMessageTimeoutW(program, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 5000, &answer);
}

void Link(int count, wchar_t** args) {
    const ComApartment apartment;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (!link || FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return;
    if (count == 3) {
        link->SetPath(args[1]);
        link->SetWorkingDirectory(FolderOf(args[1]).c_str());
        link->SetHotkey(static_cast<WORD>(_wtoi(args[2])));
        file->Save(args[0], TRUE);
    } else if (SUCCEEDED(file->Load(args[0], STGM_READ))) {
        wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"";
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetWorkingDirectory(folder, MAX_PATH);
        Line({L"link", target, folder});
    }
}

// The menu's tracking loop takes these from its queue as typed keys; keys
// typed through X do not reach a menu whose owner is hidden.
void Keys(int count, wchar_t** keys) {
    const HWND menu = FindWindowW(L"#32768", nullptr);
    for (const std::wstring& key : std::vector<std::wstring>(keys, keys + count)) {
        const WPARAM vk = key == L"down"     ? VK_DOWN
                          : key == L"right"  ? VK_RIGHT
                          : key == L"escape" ? VK_ESCAPE
                                             : VK_RETURN;
        PostMessageW(menu, WM_KEYDOWN, vk, 1);
        PostMessageW(menu, WM_KEYUP, vk, 0xC0000001);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 2 && std::wstring(argv[1]) == L"--desktop") {
        // Kept for the rest of the run.
        SetThreadDesktop(OpenDesktopW(argv[2], 0, FALSE, GENERIC_ALL));
        argc -= 2;
        argv += 2;
    }
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"icons") Icons();
    if (command == L"windows") Windows();
    if (command == L"endsession") EndSession();
    if (command == L"link" && argc > 2) Link(argc - 2, argv + 2);
    if (command == L"keys") Keys(argc - 2, argv + 2);
    if (command == L"hold" && argc > 2) Sleep(static_cast<DWORD>(_wtoi(argv[2])) * 1000);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputs("end\n", stdout);
    return 0;
}

// A small helper for the end-to-end test: it runs inside the Wine desktop
// beside Vimbrel.exe and tells the driver what is on that desktop (tray icons,
// windows, the open popup menu, processes) or acts on it (menu keys, the
// taskbar's restart broadcast, icons taken away, a real shortcut).
//
// Every answer is one line per thing, fields separated by tabs, UTF-8, ending
// with a line "end" so the driver can tell a complete answer from a cut one.
//
//   tray                        icon <l> <t> <r> <b> <tooltip>; gone <tooltip>;
//                               balloon <title> <text> <visible|hidden>
//   watch-tray MS               ready, then icons <tooltip>... (sorted) at each change,
//                               for MS milliseconds, each line as it happens
//   windows CLASS[,CLASS...]    visible windows of those classes ("*": all):
//                               window <hwnd> <class> <pid> <l> <t> <r> <b> <title>,
//                               then child <hwnd> <class> <id> <text> for each control
//   menu                        menu <hwnd> <l> <t> <r> <b> of the open popup menu
//   render-menu ITEMS BMP       shows a menu built from ITEMS, saves its picture:
//                               size <w> <h>, then item <pos> <l> <t> <r> <b>
//   compare-menu BMP [SAVE]     compare match|differs <pixels>|size <shown> <expected>
//   menukeys KEY...             posts down/up/left/right/return/escape to the open menu
//   process NAME                process <pid> <priority class in hex>, or nothing
//   run TIMEOUT_MS EXE [ARGS]   exit <code>, or timeout <pid>
//   taskbar-created             broadcasts "TaskbarCreated"
//   remove-icons CLASS N        NIM_DELETE for uID 0..N of the window of class CLASS
//   close CLASS                 posts WM_CLOSE to the window of class CLASS
//   shortcut LINK TARGET        writes a .lnk through the shell's link object
//   hold SECONDS                stays that long: Wine closes a desktop that no
//                               program uses any more, and the test's must outlive
//                               the program's restarts
//
// Options before the command: --out FILE (answer to a file instead of
// stdout, for a probe whose stdout does not reach the driver) and --desktop
// NAME (join that desktop first, so the windows on it are the ones seen).

#include "app/handles.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

// Tabs and line breaks inside a text would split the driver's fields.
std::wstring OneField(const std::wstring& text) {
    std::wstring field;
    for (wchar_t c : text) {
        if (c == L'\t')
            field += L' ';
        else if (c == L'\r')
            field += L"\\r";
        else if (c == L'\n')
            field += L"\\n";
        else
            field += c;
    }
    return field;
}

class Output {
public:
    void Open(const std::wstring& path) { path_ = path; }
    void Line(const std::vector<std::wstring>& fields) {
        std::wstring line;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i) line += L'\t';
            line += OneField(fields[i]);
        }
        text_ += Utf8(line) + "\n";
    }
    // Written in one piece at the end, so a reader never sees half an answer.
    bool Flush() {
        text_ += "end\n";
        return Write();
    }
    bool Write() {
        if (path_.empty()) {
            std::fwrite(text_.data(), 1, text_.size(), stdout);
            std::fflush(stdout);
            return true;
        }
        const std::wstring partial = path_ + L".part";
        UniqueFile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file) return false;
        DWORD written = 0;
        const bool ok = WriteFile(file.get(), text_.data(), static_cast<DWORD>(text_.size()), &written, nullptr) &&
                        written == text_.size();
        file.reset();
        return ok && MoveFileExW(partial.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

private:
    std::wstring path_;
    std::string text_;
};

std::wstring Num(long long value) { return std::to_wstring(value); }
std::wstring Hex(unsigned long long value) {
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%llx", value);
    return buffer;
}
std::wstring HwndText(HWND hwnd) { return Hex(reinterpret_cast<UINT_PTR>(hwnd)); }

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = L"";
    GetClassNameW(hwnd, name, 256);
    return name;
}

// WM_GETTEXT is marshalled by the system across processes; the time-out
// keeps a hung window from hanging the probe.
std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                        2000, &copied);
    return std::wstring(buffer.data(), copied);
}

// A named CALLBACK: on 32-bit Windows an enumeration callback is stdcall,
// which a lambda does not convert to.
BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<std::wstring> RectFields(const RECT& r) { return {Num(r.left), Num(r.top), Num(r.right), Num(r.bottom)}; }

struct RemoteMemoryTraits {
    struct Handle {
        HANDLE process = nullptr;
        void* address = nullptr;
        friend bool operator==(const Handle&, const Handle&) = default;
    };
    static Handle Invalid() { return {}; }
    static void Close(Handle h) { VirtualFreeEx(h.process, h.address, 0, MEM_RELEASE); }
};
using UniqueRemoteMemory = Unique<RemoteMemoryTraits>;

// A tooltip control answers with pointers into its own process: the TOOLINFO
// and the text buffer must live there.
class RemoteTooltip {
public:
    static constexpr size_t kTextChars = 1024;

    RemoteTooltip(HWND tooltip, HANDLE process)
        : tooltip_(tooltip),
          process_(process),
          memory_({process, VirtualAllocEx(process, nullptr, kBytes, MEM_COMMIT, PAGE_READWRITE)}) {}

    bool Valid() const { return memory_.get().address != nullptr; }

    bool Tool(int index, TTTOOLINFOW& info, std::wstring& text) {
        info = Blank();
        if (!Put(info) || !SendMessageTimeoutW(tooltip_, TTM_ENUMTOOLSW, index, Remote(0), SMTO_ABORTIFHUNG, 2000,
                                               nullptr))
            return false;
        if (!Get(info)) return false;
        // The text the control shows, as TTM_GETTEXTW gives it.
        TTTOOLINFOW query = Blank();
        query.hwnd = info.hwnd;
        query.uId = info.uId;
        if (!Put(query) || !ClearText()) return false;
        SendMessageTimeoutW(tooltip_, TTM_GETTEXTW, kTextChars, Remote(0), SMTO_ABORTIFHUNG, 2000, nullptr);
        return ReadText(text);
    }

    bool Title(std::wstring& title) {
        TTGETTITLE query{};
        query.dwSize = sizeof query;
        query.pszTitle = reinterpret_cast<wchar_t*>(Remote(kToolBytes));
        query.cch = kTextChars;
        SIZE_T done = 0;
        if (!ClearText() || !WriteProcessMemory(process_, RemoteAddress(0), &query, sizeof query, &done)) return false;
        SendMessageTimeoutW(tooltip_, TTM_GETTITLE, 0, Remote(0), SMTO_ABORTIFHUNG, 2000, nullptr);
        return ReadText(title);
    }

private:
    static constexpr size_t kToolBytes = 256;  // room for TTTOOLINFOW or TTGETTITLE
    static constexpr size_t kBytes = kToolBytes + kTextChars * sizeof(wchar_t);

    TTTOOLINFOW Blank() const {
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.lpszText = reinterpret_cast<wchar_t*>(Remote(kToolBytes));
        return info;
    }
    void* RemoteAddress(size_t offset) const { return static_cast<char*>(memory_.get().address) + offset; }
    LPARAM Remote(size_t offset) const { return reinterpret_cast<LPARAM>(RemoteAddress(offset)); }
    bool Put(const TTTOOLINFOW& info) {
        SIZE_T done = 0;
        return WriteProcessMemory(process_, RemoteAddress(0), &info, sizeof info, &done) && done == sizeof info;
    }
    bool Get(TTTOOLINFOW& info) {
        SIZE_T done = 0;
        return ReadProcessMemory(process_, RemoteAddress(0), &info, sizeof info, &done) && done == sizeof info;
    }
    bool ClearText() {
        const std::vector<wchar_t> zeros(kTextChars, L'\0');
        SIZE_T done = 0;
        return WriteProcessMemory(process_, RemoteAddress(kToolBytes), zeros.data(), kTextChars * sizeof(wchar_t),
                                  &done);
    }
    bool ReadText(std::wstring& text) {
        std::vector<wchar_t> buffer(kTextChars, L'\0');
        SIZE_T done = 0;
        if (!ReadProcessMemory(process_, RemoteAddress(kToolBytes), buffer.data(), kTextChars * sizeof(wchar_t),
                               &done))
            return false;
        buffer.back() = L'\0';
        text = buffer.data();
        return true;
    }

    HWND tooltip_;
    HANDLE process_;
    UniqueRemoteMemory memory_;
};

// Wine 8's tooltip control does not answer TTM_GETTITLE. Its taskbar keeps
// each icon's balloon text and title side by side (WCHAR info_text[256], then
// info_title[64]), so the title is found right after the text the balloon
// shows. Only the taskbar's own heap is searched.
std::wstring TitleBesideText(HANDLE process, const std::wstring& text) {
    constexpr size_t kTextBytes = 256 * sizeof(wchar_t);
    constexpr size_t kTitleChars = 64;
    if (text.empty() || text.size() >= 256) return L"";
    const std::string needle(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    MEMORY_BASIC_INFORMATION region{};
    for (auto* at = static_cast<const char*>(nullptr);
         VirtualQueryEx(process, at, &region, sizeof region) == sizeof region; at += region.RegionSize) {
        at = static_cast<const char*>(region.BaseAddress);
        if (region.State != MEM_COMMIT || region.Type != MEM_PRIVATE || region.Protect != PAGE_READWRITE ||
            region.RegionSize > (64u << 20))
            continue;
        std::string bytes(region.RegionSize, '\0');
        SIZE_T done = 0;
        if (!ReadProcessMemory(process, at, bytes.data(), bytes.size(), &done)) continue;
        for (size_t hit = bytes.find(needle); hit != std::string::npos; hit = bytes.find(needle, hit + 2)) {
            if (hit % 2 != 0 || hit + kTextBytes + kTitleChars * sizeof(wchar_t) > bytes.size()) continue;
            const auto* title = reinterpret_cast<const wchar_t*>(bytes.data() + hit + kTextBytes);
            const size_t length = std::find(title, title + kTitleChars, L'\0') - title;
            if (length > 0 && length < kTitleChars) return std::wstring(title, length);
        }
    }
    return L"";
}

// The tooltip's idea of where its tool is, on the screen.
RECT ToolRectOnScreen(const TTTOOLINFOW& info) {
    RECT rect{};
    if (info.uFlags & TTF_IDISHWND) {
        GetWindowRect(reinterpret_cast<HWND>(info.uId), &rect);
    } else {
        rect = info.rect;
        MapWindowPoints(info.hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

using Fields = std::vector<std::wstring>;

// What the notification area holds, as the lines of the "tray" command.
bool ReadTray(std::vector<Fields>& lines) {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskbar) {
        std::fwprintf(stderr, L"no taskbar on this desktop\n");
        return false;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(taskbar, &pid);
    UniqueHandle process(OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) {
        std::fwprintf(stderr, L"cannot open the taskbar's process: %lu\n", GetLastError());
        return false;
    }
    // Both sides must agree on the size of a pointer inside TOOLINFO.
    BOOL probeWow64 = FALSE, taskbarWow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &probeWow64);
    IsWow64Process(process.get(), &taskbarWow64);
    if (probeWow64 != taskbarWow64) {
        std::fwprintf(stderr, L"the probe and the taskbar differ in bitness\n");
        return false;
    }
    for (HWND hwnd : TopLevelWindows()) {
        if (ClassOf(hwnd) != TOOLTIPS_CLASSW) continue;
        HWND owner = GetWindow(hwnd, GW_OWNER);
        if (!owner || GetAncestor(owner, GA_ROOT) != taskbar) continue;
        RemoteTooltip tooltip(hwnd, process.get());
        if (!tooltip.Valid()) return false;
        const bool balloon = (GetWindowLongW(hwnd, GWL_STYLE) & TTS_BALLOON) != 0;
        TTTOOLINFOW info{};
        std::wstring text;
        if (balloon) {
            std::wstring title;
            tooltip.Tool(0, info, text);
            tooltip.Title(title);
            if (title.empty()) title = TitleBesideText(process.get(), text);
            lines.push_back({L"balloon", title, text, IsWindowVisible(hwnd) ? L"visible" : L"hidden"});
            continue;
        }
        const auto count = SendMessageW(hwnd, TTM_GETTOOLCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            if (!tooltip.Tool(i, info, text)) continue;
            // Wine 8 keeps the tooltip of a deleted icon, with an empty
            // rectangle: that icon is gone from the taskbar.
            const RECT rect = ToolRectOnScreen(info);
            if (IsRectEmpty(&rect)) {
                lines.push_back({L"gone", text});
                continue;
            }
            Fields fields{L"icon"};
            for (auto& field : RectFields(rect)) fields.push_back(field);
            fields.push_back(text);
            lines.push_back(fields);
        }
    }
    return true;
}

int Tray(Output& out) {
    std::vector<Fields> lines;
    if (!ReadTray(lines)) return 2;
    for (const auto& line : lines) out.Line(line);
    return 0;
}

// Streams the icons' tooltips each time they change, so the driver can time
// a change to the notification area without a probe's start-up in between.
int WatchTray(DWORD milliseconds) {
    const auto print = [](const Fields& fields) {
        Output line;
        line.Line(fields);
        line.Write();
    };
    print({L"ready"});
    Fields last{L"none"};
    for (const ULONGLONG end = GetTickCount64() + milliseconds; GetTickCount64() < end; Sleep(20)) {
        std::vector<Fields> lines;
        if (!ReadTray(lines)) return 2;
        Fields icons{L"icons"};
        for (const auto& line : lines)
            if (line[0] == L"icon") icons.push_back(line.back());
        std::sort(icons.begin() + 1, icons.end());
        if (icons != last) print(icons);
        last = icons;
    }
    return 0;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::wstring::npos) return parts;
        start = at + 1;
    }
}

int Windows(Output& out, const std::wstring& classList) {
    const auto classes = Split(classList, L',');
    for (HWND hwnd : TopLevelWindows()) {
        if (!IsWindowVisible(hwnd)) continue;
        const std::wstring windowClass = ClassOf(hwnd);
        bool wanted = false;
        for (const auto& c : classes) wanted = wanted || c == L"*" || _wcsicmp(c.c_str(), windowClass.c_str()) == 0;
        if (!wanted) continue;
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        std::vector<std::wstring> fields{L"window", HwndText(hwnd), windowClass, Num(pid)};
        for (auto& field : RectFields(rect)) fields.push_back(field);
        fields.push_back(TextOf(hwnd));
        out.Line(fields);
        for (HWND child : ChildWindows(hwnd)) {
            if (!IsWindowVisible(child)) continue;
            out.Line({L"child", HwndText(child), ClassOf(child), Num(GetDlgCtrlID(child)), TextOf(child)});
        }
    }
    return 0;
}

HWND OpenMenuWindow() {
    for (HWND hwnd : TopLevelWindows())
        if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") return hwnd;
    return nullptr;
}

int Menu(Output& out) {
    HWND window = OpenMenuWindow();
    if (!window) return 0;
    RECT rect{};
    GetWindowRect(window, &rect);
    std::vector<std::wstring> fields{L"menu", HwndText(window)};
    for (auto& field : RectFields(rect)) fields.push_back(field);
    out.Line(fields);
    return 0;
}

// Pixels of a piece of the screen, 0x00RRGGBB, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

Picture Capture(const RECT& rect) {
    Picture picture{rect.right - rect.left, rect.bottom - rect.top, {}};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    const ScopeExit releaseScreen([screen] { ReleaseDC(nullptr, screen); });
    HDC memory = CreateCompatibleDC(screen);
    const ScopeExit deleteMemory([memory] { DeleteDC(memory); });
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return {};
    const ScopeExit deleteBitmap([bitmap] { DeleteObject(bitmap); });
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    picture.pixels.assign(source, source + static_cast<size_t>(picture.width) * picture.height);
    for (auto& pixel : picture.pixels) pixel &= 0x00FFFFFF;
    SelectObject(memory, old);
    return picture;
}

bool WriteBmp(const std::wstring& path, const Picture& picture) {
    const DWORD pixelBytes = static_cast<DWORD>(picture.pixels.size() * 4);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + pixelBytes;
    const BITMAPINFOHEADER header{sizeof header, picture.width, -picture.height, 1, 32, BI_RGB, pixelBytes,
                                  0, 0, 0, 0};
    UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
           WriteFile(out.get(), picture.pixels.data(), pixelBytes, &written, nullptr);
}

// Reads back what WriteBmp wrote, nothing more general.
bool ReadBmp(const std::wstring& path, Picture& picture) {
    UniqueFile in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    DWORD read = 0;
    if (!in || !ReadFile(in.get(), &file, sizeof file, &read, nullptr) || read != sizeof file ||
        !ReadFile(in.get(), &header, sizeof header, &read, nullptr) || read != sizeof header ||
        header.biBitCount != 32 || header.biHeight >= 0)
        return false;
    picture.width = header.biWidth;
    picture.height = -header.biHeight;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    const DWORD bytes = static_cast<DWORD>(picture.pixels.size() * 4);
    return ReadFile(in.get(), picture.pixels.data(), bytes, &read, nullptr) && read == bytes;
}

// The menu of the program cannot be read from here: under Wine a menu handle
// means nothing outside the process that made it. So the probe shows a menu of
// its own, built from the expected items, and the driver compares the two
// pictures: same captions, separators, check marks, bold default and submenu
// arrows draw the same pixels.
//
// Items: separated by '|'; "-" is a separator; a caption may start with
// '*' (checked), '!' (default) and '>' (opens a submenu), in any order.
class MenuRenderer {
public:
    static constexpr UINT_PTR kCaptureTimer = 1;

    explicit MenuRenderer(const std::wstring& items) : popup_(CreatePopupMenu()) {
        for (std::wstring caption : Split(items, L'|')) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
            info.wID = ++lastId_;
            if (caption == L"-") {
                info.fType = MFT_SEPARATOR;
                info.fMask &= ~MIIM_STRING;
            }
            UniqueMenu sub;
            while (!caption.empty() && (caption[0] == L'*' || caption[0] == L'!' || caption[0] == L'>')) {
                if (caption[0] == L'*') info.fState |= MFS_CHECKED;
                if (caption[0] == L'!') info.fState |= MFS_DEFAULT;
                if (caption[0] == L'>') {
                    sub.reset(CreatePopupMenu());
                    AppendMenuW(sub.get(), MF_STRING, 9999, L"x");
                    info.fMask |= MIIM_SUBMENU;
                    info.hSubMenu = sub.get();
                }
                caption.erase(0, 1);
            }
            info.dwTypeData = caption.data();
            InsertMenuItemW(popup_.get(), GetMenuItemCount(popup_.get()), TRUE, &info);
            sub.release();  // now destroyed with the popup
        }
    }

    bool Render(POINT at) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TrayProbe.MenuOwner";
        RegisterClassW(&windowClass);
        UniqueWindow owner(CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1,
                                           nullptr, nullptr, windowClass.hInstance, nullptr));
        if (!owner) return false;
        SetWindowLongPtrW(owner.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ShowWindow(owner.get(), SW_SHOW);
        SetForegroundWindow(owner.get());
        // Give the menu time to be drawn before it is captured.
        SetTimer(owner.get(), kCaptureTimer, 700, nullptr);
        TrackPopupMenuEx(popup_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
                         owner.get(), nullptr);
        return !picture_.pixels.empty();
    }

    const Picture& Shot() const { return picture_; }
    const std::vector<RECT>& ItemRects() const { return itemRects_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<MenuRenderer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_TIMER && wParam == kCaptureTimer) {
            KillTimer(hwnd, kCaptureTimer);
            self->CaptureOpenMenu();
            EndMenu();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void CaptureOpenMenu() {
        HWND window = OpenMenuWindow();
        if (!window) return;
        RECT rect{};
        GetWindowRect(window, &rect);
        picture_ = Capture(rect);
        for (int i = 0; i < GetMenuItemCount(popup_.get()); ++i) {
            RECT item{};
            GetMenuItemRect(nullptr, popup_.get(), i, &item);
            OffsetRect(&item, -rect.left, -rect.top);
            itemRects_.push_back(item);
        }
    }

    UniqueMenu popup_;
    UINT lastId_ = 0;
    Picture picture_;
    std::vector<RECT> itemRects_;
};

int RenderMenu(Output& out, const std::wstring& items, const std::wstring& path) {
    MenuRenderer renderer(items);
    // Away from the corner where the pointer usually rests, so no item is lit.
    if (!renderer.Render({40, 40}) || !WriteBmp(path, renderer.Shot())) {
        std::fwprintf(stderr, L"the menu could not be rendered\n");
        return 2;
    }
    out.Line({L"size", Num(renderer.Shot().width), Num(renderer.Shot().height)});
    int position = 0;
    for (const RECT& item : renderer.ItemRects()) {
        std::vector<std::wstring> fields{L"item", Num(position++)};
        for (auto& field : RectFields(item)) fields.push_back(field);
        out.Line(fields);
    }
    return 0;
}

int CompareMenu(Output& out, const std::wstring& referencePath, const std::wstring& savePath) {
    HWND window = OpenMenuWindow();
    Picture reference;
    if (!window || !ReadBmp(referencePath, reference)) {
        std::fwprintf(stderr, window ? L"cannot read %ls\n" : L"no open menu\n", referencePath.c_str());
        return 1;
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    const Picture shown = Capture(rect);
    if (!savePath.empty()) WriteBmp(savePath, shown);
    if (shown.width != reference.width || shown.height != reference.height) {
        out.Line({L"compare", L"size", Num(shown.width) + L"x" + Num(shown.height),
                  Num(reference.width) + L"x" + Num(reference.height)});
        return 0;
    }
    size_t differing = 0;
    for (size_t i = 0; i < shown.pixels.size(); ++i) differing += shown.pixels[i] != reference.pixels[i];
    out.Line({L"compare", differing == 0 ? L"match" : L"differs", Num(static_cast<long long>(differing))});
    return 0;
}

int MenuKeys(int count, wchar_t** keys) {
    HWND window = OpenMenuWindow();
    if (!window) {
        std::fwprintf(stderr, L"no open menu\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const std::wstring key = keys[i];
        WPARAM vk = 0;
        if (key == L"down") vk = VK_DOWN;
        else if (key == L"up") vk = VK_UP;
        else if (key == L"left") vk = VK_LEFT;
        else if (key == L"right") vk = VK_RIGHT;
        else if (key == L"return") vk = VK_RETURN;
        else if (key == L"escape") vk = VK_ESCAPE;
        else {
            std::fwprintf(stderr, L"unknown key %ls\n", key.c_str());
            return 1;
        }
        // The menu's tracking loop reads these from its queue as typed keys.
        PostMessageW(window, WM_KEYDOWN, vk, 1);
        PostMessageW(window, WM_KEYUP, vk, 0xC0000001);
        Sleep(50);
    }
    return 0;
}

int Process(Output& out, const std::wstring& name) {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return 2;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
        UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        const DWORD priority = process ? GetPriorityClass(process.get()) : 0;
        out.Line({L"process", Num(entry.th32ProcessID), Hex(priority)});
    }
    return 0;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

int Run(Output& out, std::wstring desktop, DWORD timeout, int count, wchar_t** args) {
    std::wstring commandLine;
    for (int i = 0; i < count; ++i) commandLine += (i ? L" " : L"") + Quoted(args[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // A child takes the process's desktop, not the one this thread joined.
    if (!desktop.empty()) startup.lpDesktop = desktop.data();
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        std::fwprintf(stderr, L"cannot start %ls: %lu\n", commandLine.c_str(), GetLastError());
        return 2;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    if (WaitForSingleObject(process.get(), timeout) != WAIT_OBJECT_0) {
        out.Line({L"timeout", Num(started.dwProcessId)});
        return 0;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    out.Line({L"exit", Num(code)});
    return 0;
}

int RemoveIcons(const std::wstring& windowClass, int last) {
    HWND owner = FindWindowW(windowClass.c_str(), nullptr);
    if (!owner) {
        std::fwprintf(stderr, L"no window of class %ls\n", windowClass.c_str());
        return 1;
    }
    // What a taskbar that lost its icons looks like to the program: nothing
    // of its own is told.
    for (int id = 0; id <= last; ++id) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = owner;
        data.uID = static_cast<UINT>(id);
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    return 0;
}

int Close(const std::wstring& windowClass) {
    HWND window = FindWindowW(windowClass.c_str(), nullptr);
    if (!window) {
        std::fwprintf(stderr, L"no window of class %ls\n", windowClass.c_str());
        return 1;
    }
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 2;
}

int Shortcut(const std::wstring& linkPath, const std::wstring& target) {
    const ComApartment apartment;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return 2;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return 2;
    if (FAILED(link->SetPath(target.c_str()))) return 2;
    return SUCCEEDED(file->Save(linkPath.c_str(), TRUE)) ? 0 : 2;
}

bool JoinDesktop(const std::wstring& name) {
    // Never closed: the thread uses it for the rest of the run.
    HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
    return desktop && SetThreadDesktop(desktop);
}

int Usage() {
    std::fwprintf(stderr, L"usage: tray_probe [--out FILE] [--desktop NAME] COMMAND ARGS...\n");
    return 64;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Output out;
    std::wstring desktop;
    int at = 1;
    while (at + 1 < argc && argv[at][0] == L'-' && argv[at][1] == L'-') {
        const std::wstring option = argv[at];
        if (option == L"--out") {
            out.Open(argv[at + 1]);
        } else if (option == L"--desktop") {
            desktop = argv[at + 1];
            if (!JoinDesktop(desktop)) {
                std::fwprintf(stderr, L"cannot join desktop %ls\n", argv[at + 1]);
                return 2;
            }
        } else {
            return Usage();
        }
        at += 2;
    }
    if (at >= argc) return Usage();
    const std::wstring command = argv[at++];
    const int rest = argc - at;
    wchar_t** args = argv + at;

    int result = 0;
    if (command == L"tray" && rest == 0) result = Tray(out);
    else if (command == L"watch-tray" && rest == 1) return WatchTray(wcstoul(args[0], nullptr, 10));
    else if (command == L"windows" && rest == 1) result = Windows(out, args[0]);
    else if (command == L"menu" && rest == 0) result = Menu(out);
    else if (command == L"render-menu" && rest == 2) result = RenderMenu(out, args[0], args[1]);
    else if (command == L"compare-menu" && (rest == 1 || rest == 2))
        result = CompareMenu(out, args[0], rest == 2 ? args[1] : L"");
    else if (command == L"menukeys" && rest >= 1) result = MenuKeys(rest, args);
    else if (command == L"process" && rest == 1) result = Process(out, args[0]);
    else if (command == L"run" && rest >= 2) result = Run(out, desktop, wcstoul(args[0], nullptr, 10), rest - 1, args + 1);
    else if (command == L"taskbar-created" && rest == 0)
        result = PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0) ? 0 : 2;
    else if (command == L"remove-icons" && rest == 2) result = RemoveIcons(args[0], _wtoi(args[1]));
    else if (command == L"close" && rest == 1) result = Close(args[0]);
    else if (command == L"hold" && rest == 1) Sleep(wcstoul(args[0], nullptr, 10) * 1000);
    else if (command == L"shortcut" && rest == 2) result = Shortcut(args[0], args[1]);
    else return Usage();
    if (result != 0) return result;
    return out.Flush() ? 0 : 2;
}

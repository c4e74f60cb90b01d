#include "tray/main_window.h"

#include "actions/folder_view.h"
#include "actions/open_element.h"
#include "actions/shortcut.h"
#include "base/error.h"
#include "base/handles.h"
#include "base/priority.h"
#include "base/program.h"
#include "base/user_texts.h"
#include "environment/process_environment.h"
#include "environment/start_with_windows.h"
#include "tray/menu_theme.h"

#include <dbt.h>

#include <cwchar>

namespace {

constexpr UINT kRowWorkMessage = WM_APP + 2;
constexpr UINT kFolderListedMessage = WM_APP + 3;
constexpr UINT kIconsReadMessage = WM_APP + 4;
constexpr UINT kNetworkChangedMessage = WM_APP + 5;
constexpr UINT kIconRecordsChangedMessage = WM_APP + 6;
// Sent by a second copy, which finds this one by its window class.
constexpr wchar_t kShowMenuMessageName[] = L"Quenwald.Vimbrel.ShowMenu";

// False where it cannot be told, which keeps the window shut.
bool RunsElevated() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return false;
    const UniqueHandle token(rawToken);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

}  // namespace

void OpenToLowerIntegrity(HWND window, std::initializer_list<UINT> messages, bool elevated, MessageFilter filter) {
    if (!elevated) return;
    for (const UINT message : messages) filter(window, message, MSGFLT_ALLOW, nullptr);
}

MainWindow::MainWindow(HINSTANCE instance, Outside& outside, Options& options, std::wstring elementsFolder,
                       std::wstring idBookFile)
    : outside_(outside),
      options_(options),
      folder_(std::move(elementsFolder)),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      showMenuMessage_(RegisterWindowMessageW(kShowMenuMessageName)),
      hwnd_(CreateHiddenWindow(instance, this)),
      row_(outside.tray, hwnd_.get(), folder_, outside.fileIcons, kIconsReadMessage, std::move(idBookFile),
           [this] { OnRowFree(); }),
      watch_(folder_, hwnd_.get(), kFolderListedMessage),
      network_(hwnd_.get(), kNetworkChangedMessage),
      promotion_(kNotifyIconSettingsKey, program::Path(), hwnd_.get(), kIconRecordsChangedMessage) {
    OpenToLowerIntegrity(hwnd_.get(), {taskbarCreatedMessage_, showMenuMessage_, kTrayCallbackMessage}, RunsElevated(),
                         ChangeWindowMessageFilterEx);
    menus_.SetChecked(MainCommand::AntiHide, options_.antiHide);
    menus_.SetChecked(MainCommand::AntiHideInRemoteSession, options_.antiHideInRemoteSession);
    if (options_.antiHide) antiHideTimer_.Start(kAntiHideIntervalMs);
    // Before the first menu opens.
    FollowAppMode();
    // Unticked, what a run that ended early left promoted is taken back.
    FollowIconRecords(false);
    ready_ = true;
    // The main icon at once; the elements come with the first listing.
    OnRowWork();
}

HWND MainWindow::CreateHiddenWindow(HINSTANCE instance, MainWindow* window) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kMainWindowClass;
    // Registered once per process; tests make many windows.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError();
    // A top-level window rather than a message-only one: only top-level
    // windows hear the taskbar's "TaskbarCreated" and drives arriving.
    HWND hwnd = CreateWindowExW(0, kMainWindowClass, texts::kMainIconTip, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 240, nullptr, nullptr, instance, window);
    if (!hwnd) ThrowLastError();
    return hwnd;
}

bool MainWindow::ShowRunningCopy() {
    const HWND running = FindWindowW(kMainWindowClass, nullptr);
    if (!running) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    // The copy the user just started may bring a window forward; it hands
    // that right on, or the menu would not close when clicked away from.
    AllowSetForegroundWindow(process);
    return PostMessageW(running, RegisterWindowMessageW(kShowMenuMessageName), 0, 0) != FALSE;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->ready_) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        self->Fail(CurrentError());
        return 0;
    }
}

void MainWindow::Fail(const Error& error) {
    failed_ = true;
    if (!sessionEnding_) ShowError(outside_.ui, error);
    PostQuitMessage(1);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto menu = reinterpret_cast<HMENU>(wParam);
    switch (message) {
        case kTrayCallbackMessage: OnTrayCallback(wParam, lParam); return 0;
        case kRowWorkMessage: OnRowWorkMessage(); return 0;
        case kFolderListedMessage:
        case kIconsReadMessage: ScheduleRowWork(); return 0;
        case kNetworkChangedMessage: ReadOutOfReachAgain(); return 0;
        case kIconRecordsChangedMessage: OnIconRecordsChanged(); return 0;
        case WM_HOTKEY: OnHotkey(wParam); return 0;
        case WM_INITMENUPOPUP: OnMenuOpening(menu); return 0;
        case WM_UNINITMENUPOPUP: OnMenuClosed(menu); return 0;
        case WM_TIMER: OnTimer(wParam); return 0;
        case WM_CLOSE: Close(); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION: OnEndSession(wParam != FALSE, lParam); return 0;
        case WM_SETTINGCHANGE: OnSettingChange(wParam, lParam); return 0;
        case WM_DPICHANGED: OnDpiChanged(); return 0;
        case WM_DEVICECHANGE: OnDeviceChange(wParam); return TRUE;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_NCDESTROY: OnNcDestroy(); return 0;
        default: return OnRegisteredMessage(message, wParam, lParam);
    }
}

LRESULT MainWindow::OnRegisteredMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // RegisterWindowMessage answers 0 when it fails: no message is 0 here.
    if (message == taskbarCreatedMessage_ && message != 0) {
        OnTaskbarCreated();
        return 0;
    }
    if (message == showMenuMessage_ && message != 0) {
        OnSecondCopy();
        return 0;
    }
    return DefWindowProcW(hwnd_.get(), message, wParam, lParam);
}

void MainWindow::OnRowWorkMessage() {
    work_.posted = false;
    OnRowWork();
}

void MainWindow::ReadOutOfReachAgain() {
    // A drive arrived or the network changed: a shortcut's target may be in reach now.
    work_.readAgain = true;
    ScheduleRowWork();
}

void MainWindow::OnIconRecordsChanged() {
    // Explorer recorded an icon, or a record changed; one queued before the
    // user unticked the item still arrives.
    if (options_.showOnTaskbar) FollowIconRecords(false);
}

void MainWindow::OnMenuOpening(HMENU menu) {
    if (menu == menus_.Elements()) ListElements();
}

void MainWindow::OnMenuClosed(HMENU menu) {
    // Its bitmaps go with it: one per file, until it opens again.
    if (menu == menus_.Elements()) menus_.SetElements({});
}

void MainWindow::OnDpiChanged() {
    work_.reload = true;
    ScheduleRowWork();
}

void MainWindow::OnDeviceChange(WPARAM event) {
    if (event == DBT_DEVICEARRIVAL) ReadOutOfReachAgain();
}

void MainWindow::OnTaskbarCreated() {
    // A new taskbar, or the same one at a new DPI with the icons still there.
    work_.reload = work_.restore = true;
    ScheduleRowWork();
}

void MainWindow::OnSecondCopy() {
    // Started again, most likely because its icons sit in the overflow: its
    // menu where the user is, unless a box of ours is up.
    if (BringDialogForward()) return;
    POINT at{};
    GetCursorPos(&at);
    const NormalPriority normal;
    ShowMainMenu(at);
}

void MainWindow::OnNcDestroy() {
    // Destroyed by the system: nothing left to destroy, and the handle may
    // soon name another window.
    hwnd_.release();
}

int MainWindow::Run() {
    MSG message{};
    BOOL got = FALSE;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void MainWindow::OnTrayCallback(WPARAM wParam, LPARAM lParam) {
    const auto event = DecodeTrayCallback(wParam, lParam);
    if (!event) return;
    // Sent while a call to the taskbar or the shell waits: answered once it
    // is over. Not posted again at once: a loop that ran inside the call
    // would take it again, and again.
    if (row_.Busy()) {
        work_.clicks.emplace_back(wParam, lParam);
        return;
    }
    // A box of ours is up: it comes forward, and no menu opens over it.
    if (BringDialogForward()) return;
    const NormalPriority normal;
    const bool opening = event->kind == TrayEvent::Kind::Open;
    if (opening && Repeats(event->id)) return;
    const bool wasUnderway = std::exchange(activation_.underway, opening);
    const ScopeExit done([this, wasUnderway] { activation_.underway = wasUnderway; });
    if (event->id == IconRow::kMainIconId) return ShowMainMenu(event->anchor);
    const Element* element = row_.Find(event->id);
    // The file left the row after the click was sent.
    if (!element) return;
    // A copy: a menu or the shell runs a loop of its own, in which the row may change.
    std::wstring path = element->path;
    if (opening)
        Launch(std::move(path));
    else
        ShowElementMenu(event->id, path, event->anchor);
}

bool MainWindow::Repeats(UINT id) {
    const ULONGLONG now = GetTickCount64();
    if (id == activation_.id && (activation_.underway || now - activation_.at < GetDoubleClickTime())) return true;
    activation_.id = id;
    activation_.at = now;
    return false;
}

void MainWindow::OnHotkey(WPARAM id) {
    const Element* element = row_.FindByHotkey(id);
    if (!element) return;
    const NormalPriority normal;
    Launch(element->path);
}

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t name[8] = L"";
    if (!IsWindowVisible(window) || !GetClassNameW(window, name, 8) || std::wcscmp(name, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

bool MainWindow::BringDialogForward() {
    // Every box and dialog of the program (a message box, the About box, the
    // file dialog, the shell's confirmations) runs in a loop of its own on
    // this thread.
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog) SetForegroundWindow(dialog);
    return dialog != nullptr;
}

void MainWindow::BringForward() {
    // Otherwise a menu would not close when the user clicks elsewhere, and a
    // consent prompt would wait behind a flashing taskbar button.
    SetForegroundWindow(hwnd_.get());
    SendMessageW(hwnd_.get(), WM_NULL, 0, 0);
}

void MainWindow::Launch(std::wstring path) {
    BringForward();
    OpenElement(outside_.shell, outside_.ui, hwnd_.get(), std::move(path));
}

void MainWindow::ShowMainMenu(POINT at) {
    if (menuOpen_) return;
    BringForward();
    // What Task Manager's Startup page may have changed meanwhile.
    menus_.SetChecked(MainCommand::StartWithWindows, StartsWithWindows(program::Path()));
    // Without the records the item opens the system's page: a command, never ticked.
    menus_.SetChecked(MainCommand::ShowOnTaskbar, options_.showOnTaskbar && promotion_.Available());
    menus_.EnableElements(!row_.Elements().empty());
    listed_.clear();
    const MenuChoice choice = PopUp(menus_.Main(), at, IconRow::kMainIconId);
    if (const auto element = menus_.ElementFromId(choice.command); element && *element < listed_.size())
        Launch(listed_[*element]);
    else if (const auto command = CommandFromId<MainCommand>(choice.command))
        OnMainCommand(*command);
    else if (CommandFromId<HelpCommand>(choice.command) == HelpCommand::About)
        outside_.ui.ShowAbout(hwnd_.get());
}

void MainWindow::ListElements() {
    // What "Элементы" lists stays what the user chose from, whatever happens
    // to the row while the menu is open.
    listed_.clear();
    std::vector<MenuElement> items;
    for (const Element& element : row_.Elements()) {
        listed_.push_back(element.path);
        items.push_back(
            {row_.IconOf(element), element.tip, row_.KeyWorks(element) ? HotkeyName(element.hotkey) : std::wstring()});
    }
    menus_.SetElements(items);
}

void MainWindow::ShowElementMenu(UINT id, const std::wstring& path, POINT at) {
    if (menuOpen_) return;
    BringForward();
    if (const auto command = CommandFromId<ElementCommand>(PopUp(menus_.Element(), at, id).command))
        OnElementCommand(*command, path);
}

MenuChoice MainWindow::PopUp(HMENU menu, POINT at, UINT iconId) {
    menuOpen_ = true;
    const ScopeExit closed([this] { menuOpen_ = false; });
    const MenuChoice choice = outside_.ui.PopupMenu(menu, hwnd_.get(), at);
    // Opened from the keyboard and left with Esc: the keyboard goes back
    // to the notification area.
    if (choice.cancelledFromKeyboard && !row_.Busy()) row_.GiveBackFocus(iconId);
    return choice;
}

void MainWindow::OnMainCommand(MainCommand command) {
    switch (command) {
        case MainCommand::CreateShortcut: CreateShortcutInteractive(outside_.ui, hwnd_.get(), folder_); break;
        case MainCommand::OpenFolder: OpenElementsFolder(outside_.shell, outside_.ui, folder_); break;
        case MainCommand::Refresh:
            work_.anew = true;
            watch_.ListNow();
            break;
        case MainCommand::AntiHide:
            options_.antiHide = !options_.antiHide;
            menus_.SetChecked(command, options_.antiHide);
            if (options_.antiHide)
                antiHideTimer_.Start(kAntiHideIntervalMs);
            else
                antiHideTimer_.Stop();
            // Refused, the option still holds for this session.
            StoreOptions();
            break;
        case MainCommand::AntiHideInRemoteSession:
            options_.antiHideInRemoteSession = !options_.antiHideInRemoteSession;
            menus_.SetChecked(command, options_.antiHideInRemoteSession);
            StoreOptions();
            break;
        case MainCommand::StartWithWindows: ToggleStartWithWindows(); break;
        case MainCommand::ShowOnTaskbar: ToggleShowOnTaskbar(); break;
        // After the click that chose it has ended, so that nothing puts the
        // ending program back to idle.
        case MainCommand::Exit: PostMessageW(hwnd_.get(), WM_CLOSE, 0, 0); break;
    }
}

bool MainWindow::StoreOptions() {
    // At once, not at exit: a crash or a power cut would lose the change.
    try {
        SaveOptions(options_);
        return true;
    } catch (const Error& error) {
        ShowError(outside_.ui, error, texts::kCannotSaveOptions);
        return false;
    }
}

void MainWindow::ToggleStartWithWindows() {
    const std::wstring self = program::Path();
    try {
        SetStartWithWindows(self, !StartsWithWindows(self));
    } catch (const Error& error) {
        ShowError(outside_.ui, error, texts::kCannotChangeStartWithWindows);
    }
    menus_.SetChecked(MainCommand::StartWithWindows, StartsWithWindows(self));
}

void MainWindow::ToggleShowOnTaskbar() {
    // Where Windows keeps no record a program may change (10 and older, the
    // first 11), the user chooses on the system's own page.
    if (!promotion_.Available()) {
        try {
            outside_.shell.OpenIconSettings(hwnd_.get());
        } catch (const Error& error) {
            ShowError(outside_.ui, error);
        }
        return;
    }
    // Refused, it stays as it was: the promotions follow the stored option,
    // and a run that ends early must not leave them behind unticked.
    options_.showOnTaskbar = !options_.showOnTaskbar;
    if (!StoreOptions()) {
        options_.showOnTaskbar = !options_.showOnTaskbar;
        return;
    }
    menus_.SetChecked(MainCommand::ShowOnTaskbar, options_.showOnTaskbar);
    FollowIconRecords(true);
}

void MainWindow::FollowIconRecords(bool userAsked) {
    try {
        if (options_.showOnTaskbar)
            promotion_.Promote();
        else
            promotion_.Withdraw();
    } catch (const Error& error) {
        if (userAsked) ShowError(outside_.ui, error, texts::kCannotSaveOptions);
    }
}

void MainWindow::OnElementCommand(ElementCommand command, const std::wstring& path) {
    switch (command) {
        case ElementCommand::Open: Launch(path); break;
        case ElementCommand::Delete: outside_.shell.Delete(hwnd_.get(), path); break;
        case ElementCommand::Properties: outside_.shell.ShowProperties(hwnd_.get(), path); break;
    }
}

void MainWindow::OnTimer(UINT_PTR id) {
    // A tick queued before its timer was stopped still arrives.
    if (id == kAntiHideTimerId && antiHideTimer_.Running()) {
        if (!options_.antiHideInRemoteSession && GetSystemMetrics(SM_REMOTESESSION) != 0) return;
        work_.restore = true;
    } else if (id == kMissingIconsTimerId && missingIconsTimer_.Ticked()) {
        work_.retryMissing = true;
    } else if (id == kUnreadIconsTimerId && unreadIconsTimer_.Ticked()) {
        work_.retryReadings = true;
    } else if (id == kRowPauseTimerId && rowPause_.Running()) {
        rowPause_.Stop();
    } else {
        return;
    }
    ScheduleRowWork();
}

void MainWindow::OnEndSession(bool ending, LPARAM reason) {
    if (!ending) return;
    // From here on nothing modal: a box would hold up the end of the session.
    sessionEnding_ = true;
    Unload();
    // The Restart Manager closes this program, the session goes on; it
    // starts the program again once it is done. At a log-off or shutdown the
    // icons go with the taskbar: a call per icon would only hold the end of
    // the session up.
    if ((reason & ENDSESSION_CLOSEAPP) != 0) Close();
}

void MainWindow::OnSettingChange(WPARAM action, LPARAM area) {
    const auto* name = reinterpret_cast<const wchar_t*>(area);
    // The user changed a variable (PATH, say): what starts from the row
    // from now on gets it, as from Explorer.
    if (name && std::wcscmp(name, L"Environment") == 0) RefreshEnvironment();
    // Dark or light apps chosen in Settings, or high contrast switched.
    if ((name && std::wcscmp(name, L"ImmersiveColorSet") == 0) || action == SPI_SETHIGHCONTRAST) FollowAppMode();
    if (action == SPI_SETICONMETRICS || action == SPI_SETNONCLIENTMETRICS ||
        (name && std::wcscmp(name, L"WindowMetrics") == 0)) {
        work_.reload = true;
        ScheduleRowWork();
    }
}

void MainWindow::OnRowFree() {
    // What was kept for later while the row was busy goes now, whoever made the call.
    for (const auto& [wParam, lParam] : std::exchange(work_.clicks, {}))
        PostMessageW(hwnd_.get(), kTrayCallbackMessage, wParam, lParam);
    if (work_.wanted) ScheduleRowWork();
}

void MainWindow::ScheduleRowWork() {
    if (work_.posted || !hwnd_) return;
    work_.posted = PostMessageW(hwnd_.get(), kRowWorkMessage, 0, 0) != FALSE;
}

void MainWindow::OnRowWork() {
    // Inside a call to the taskbar: the call that made the row busy asks
    // again once it is over.
    if (row_.Busy()) {
        work_.wanted = true;
        return;
    }
    work_.wanted = false;
    if (std::exchange(work_.close, false)) return Close();
    // The icons are gone for good.
    if (unloaded_) return;
    if (auto listing = watch_.Take()) row_.Apply(*listing, std::exchange(work_.anew, false));
    row_.TakeReadings();
    if (std::exchange(work_.reload, false)) row_.Reload();
    if (std::exchange(work_.restore, false)) row_.Restore();
    if (std::exchange(work_.retryMissing, false)) row_.RetryMissing();
    if (work_.retryReadings || work_.readAgain) row_.RetryReadings(std::exchange(work_.readAgain, false));
    work_.retryReadings = false;
    // A step only once the pause after the last one is over; the first
    // step after a rest comes at once, so a lone change shows straight away.
    const bool more = !rowPause_.Running() && row_.Step();
    if (more) rowPause_.Start(kRowPauseMs);
    // Without a timer (the session has none left) the next step comes at once.
    if (work_.wanted || (more && !rowPause_.Running())) ScheduleRowWork();
    missingIconsTimer_.Follow(row_.Missing());
    unreadIconsTimer_.Follow(row_.OutOfReach());
}

void MainWindow::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    LeaveIdlePriority();
}

void MainWindow::Close() {
    if (row_.Busy()) {
        work_.close = work_.wanted = true;
        return;
    }
    Unload();
    DestroyWindow(hwnd_.get());
}

void MainWindow::OnDestroy() {
    // While the window still exists: an icon whose owner window is gone can
    // stay drawn in the notification area after the program has ended.
    antiHideTimer_.Stop();
    rowPause_.Stop();
    missingIconsTimer_.Follow(false);
    unreadIconsTimer_.Follow(false);
    row_.RemoveAll();
    PostQuitMessage(failed_ ? 1 : 0);
}

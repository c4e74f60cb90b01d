#include "tray/main_window.h"

#include "actions/element_actions.h"
#include "actions/folder_view.h"
#include "actions/shortcut.h"
#include "base/error.h"
#include "base/priority.h"
#include "base/program.h"
#include "base/texts.h"
#include "environment/start_with_windows.h"

#include <algorithm>

MainWindow::MainWindow(HINSTANCE instance, Outside& outside, Options& options, std::wstring elementsFolder)
    : outside_(outside),
      options_(options),
      folder_(std::move(elementsFolder)),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      hwnd_(CreateHiddenWindow(instance, this)),
      row_(outside.tray, hwnd_.get(), folder_),
      watch_(folder_) {
    antiHideTimer_.Attach(hwnd_.get());
    restoreIconsTimer_.Attach(hwnd_.get());
    ready_ = true;

    row_.ShowMainIcon();
    row_.Rebuild();
    menus_.SetChecked(MainCommand::AntiHide, options_.antiHide);
    antiHideTimer_.SetRunning(options_.antiHide);
    menus_.SetChecked(MainCommand::AntiHideInRemoteSession, options_.antiHideInRemoteSession);
    menus_.SetChecked(MainCommand::StartWithWindows, StartsWithWindows(program::Path()));
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
    // windows hear the taskbar's "TaskbarCreated" broadcast.
    HWND hwnd = CreateWindowExW(0, kMainWindowClass, texts::kMainIconTip, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 240, nullptr, nullptr, instance, window);
    if (!hwnd) ThrowLastError();
    return hwnd;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->ready_) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

template <class Handler>
void MainWindow::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        failed_ = true;
        ShowError(outside_.ui, CurrentError());
        PostQuitMessage(1);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kTrayCallbackMessage: Guarded([&] { OnTrayCallback(lParam); }); return 0;
        case WM_TIMER: Guarded([&] { OnTimer(wParam); }); return 0;
        case WM_CLOSE: Guarded([&] { Close(); }); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            // The process may be ended as soon as this returns.
            if (wParam) Guarded([&] {
                    Unload();
                    row_.RemoveAll();
                });
            return 0;
        case WM_DPICHANGED: Guarded([&] { row_.ReloadIcons(); }); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_NCDESTROY:
            // Destroyed by the system: nothing left to destroy, and the
            // handle may soon name another window.
            hwnd_.release();
            return 0;
        default:
            if (message == taskbarCreatedMessage_ && message != 0) {
                Guarded([&] { OnTaskbarCreated(); });
                return 0;
            }
            return DefWindowProcW(hwnd_.get(), message, wParam, lParam);
    }
}

int MainWindow::Run() {
    while (Step()) {
    }
    return exitCode_;
}

bool MainWindow::Step(DWORD maxWaitMs) {
    const std::vector<HANDLE> handles = watch_.Handles();
    const auto count = static_cast<DWORD>(handles.size());
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles.data(), std::min(watch_.Timeout(), maxWaitMs),
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count) {
        watch_.Signalled(handles[woke - WAIT_OBJECT_0]);
    } else if (woke == WAIT_OBJECT_0 + count) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                exitCode_ = static_cast<int>(message.wParam);
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    } else if (woke == WAIT_FAILED) {
        Guarded([] { ThrowLastError(); });
    }
    // Also after messages: a steady stream of them must not hold the row back.
    if (watch_.Timeout() == 0) Guarded([&] {
            if (watch_.Due()) row_.Update();
        });
    return true;
}

void MainWindow::OnTrayCallback(LPARAM lParam) {
    const auto click = DecodeTrayCallback(lParam);
    if (!click) return;
    const NormalPriority normal;
    if (click->id == IconRow::kMainIconId) return ShowMainMenu();
    const Element* element = row_.Find(click->id);
    // The file left the row after the click was sent.
    if (!element) return;
    // A copy: a menu or the shell runs a loop of its own, in which the row may change.
    std::wstring path = element->path;
    if (click->wantsMenu)
        ShowElementMenu(path);
    else
        OpenElement(outside_.shell, outside_.ui, hwnd_.get(), std::move(path));
}

void MainWindow::BringForward() {
    // Otherwise the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(hwnd_.get());
    SendMessageW(hwnd_.get(), WM_NULL, 0, 0);
}

void MainWindow::ShowMainMenu() {
    BringForward();
    const UINT chosen = outside_.ui.PopupMenu(menus_.Main(), hwnd_.get());
    if (const auto command = CommandFromId<MainCommand>(chosen))
        OnMainCommand(*command);
    else if (CommandFromId<HelpCommand>(chosen) == HelpCommand::About)
        outside_.ui.ShowAbout(hwnd_.get());
}

void MainWindow::ShowElementMenu(const std::wstring& path) {
    BringForward();
    if (const auto command = CommandFromId<ElementCommand>(outside_.ui.PopupMenu(menus_.Element(), hwnd_.get())))
        OnElementCommand(*command, path);
}

void MainWindow::OnMainCommand(MainCommand command) {
    switch (command) {
        case MainCommand::CreateShortcut: CreateShortcutInteractive(outside_.ui, hwnd_.get(), folder_); break;
        case MainCommand::OpenFolder: OpenElementsFolder(outside_.shell, outside_.ui, folder_); break;
        case MainCommand::Refresh: row_.Rebuild(); break;
        case MainCommand::AntiHide:
            options_.antiHide = !options_.antiHide;
            menus_.SetChecked(command, options_.antiHide);
            antiHideTimer_.SetRunning(options_.antiHide);
            break;
        case MainCommand::AntiHideInRemoteSession:
            options_.antiHideInRemoteSession = !options_.antiHideInRemoteSession;
            menus_.SetChecked(command, options_.antiHideInRemoteSession);
            break;
        case MainCommand::StartWithWindows: ToggleStartWithWindows(); break;
        // After the click that chose it has ended, so that nothing puts the
        // ending program back to idle.
        case MainCommand::Exit: PostMessageW(hwnd_.get(), WM_CLOSE, 0, 0); break;
    }
}

void MainWindow::ToggleStartWithWindows() {
    const bool starts = menus_.Checked(MainCommand::StartWithWindows);
    // A refusal leaves the mark as it was and says why; the program goes on.
    try {
        SetStartWithWindows(program::Path(), !starts);
    } catch (const Error& error) {
        ShowError(outside_.ui, error);
        return;
    }
    menus_.SetChecked(MainCommand::StartWithWindows, !starts);
}

void MainWindow::OnElementCommand(ElementCommand command, const std::wstring& path) {
    switch (command) {
        case ElementCommand::Open: OpenElement(outside_.shell, outside_.ui, hwnd_.get(), path); break;
        case ElementCommand::Delete: DeleteElement(outside_.shell, hwnd_.get(), path); break;
        case ElementCommand::Properties: ShowElementProperties(outside_.shell, hwnd_.get(), path); break;
    }
}

void MainWindow::OnTimer(UINT_PTR id) {
    // A tick queued before its timer was stopped still arrives.
    if (id == kAntiHideTimerId && antiHideTimer_.Running()) OnAntiHideTimer();
    if (id == kRestoreIconsTimerId && restoreIconsTimer_.Running()) RestoreIcons();
}

void MainWindow::OnAntiHideTimer() {
    if (!options_.antiHideInRemoteSession && GetSystemMetrics(SM_REMOTESESSION) != 0) return;
    row_.Readd();
}

void MainWindow::OnTaskbarCreated() {
    restoreAttemptsLeft_ = kRestoreIconsAttempts;
    RestoreIcons();
}

void MainWindow::RestoreIcons() {
    const bool allBack = row_.Restore();
    restoreIconsTimer_.SetRunning(!allBack && --restoreAttemptsLeft_ > 0);
}

void MainWindow::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    SaveOptions(options_);
    LeaveIdlePriority();
}

void MainWindow::Close() {
    Unload();
    DestroyWindow(hwnd_.get());
}

void MainWindow::OnDestroy() {
    // While the window still exists: an icon whose owner window is gone can
    // stay drawn in the notification area after the program has ended.
    antiHideTimer_.SetRunning(false);
    restoreIconsTimer_.SetRunning(false);
    row_.RemoveAll();
    PostQuitMessage(failed_ ? 1 : 0);
}

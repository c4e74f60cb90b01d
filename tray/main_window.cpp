#include "tray/main_window.h"

#include "actions/element_actions.h"
#include "actions/shortcut.h"
#include "app/app_info.h"
#include "app/errors.h"
#include "app/folder_view.h"
#include "app/priority.h"
#include "app/texts.h"
#include "outside/sys_tray_win32.h"
#include "tray/element_list.h"

MainWindow::MainWindow(HINSTANCE instance, Components& components, AppState& state)
    : components_(components),
      state_(state),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      hwnd_(CreateHiddenWindow(instance, this)),
      stElement(components.trays, hwnd_.get()) {
    for (WindowTimer* timer : Timers()) timer->Attach(hwnd_.get());
    ready_ = true;
}

MainWindow::~MainWindow() {
    if (!hwnd_) return;  // closed already
    // Detached first: the window's end must not post a quit message to a
    // loop that has already ended, or to a test's thread that goes on.
    SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
    ReleaseWindowParts();
}

HWND MainWindow::CreateHiddenWindow(HINSTANCE instance, MainWindow* window) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kMainWindowClass;
    // A second registration in the same process (tests make many windows)
    // fails with ERROR_CLASS_ALREADY_EXISTS, which is fine.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ThrowLastError();
    HWND hwnd = CreateWindowExW(0, kMainWindowClass, texts::kMainWindowCaption, WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr, instance, window);
    if (!hwnd) ThrowLastError();
    return hwnd;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Until the constructor has run, only the system's default handling applies.
    if (!self || !self->ready_) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

template <class F>
void MainWindow::Guarded(F&& handler) {
    try {
        handler();
    } catch (...) {
        failed_ = true;
        ReportUnhandledError(components_.ui, CurrentError());
        PostQuitMessage(1);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WMAPP_NOTIFYCALLBACK: OnNotifyCallback(wParam, lParam); return 0;
        case WM_TIMER: OnTimer(wParam); return 0;
        case WM_CLOSE: Guarded([&] { Exit(); }); return 0;
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION: OnEndSession(wParam != FALSE); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_NCDESTROY: OnNcDestroy(); return 0;
        default:
            if (message == taskbarCreatedMessage_ && message != 0) {
                Guarded([&] { OnTaskbarCreated(); });
                return 0;
            }
            return DefWindowProcW(hwnd_.get(), message, wParam, lParam);
    }
}

void MainWindow::OnNotifyCallback(WPARAM wParam, LPARAM lParam) {
    if (const auto click = DecodeTrayCallback(wParam, lParam))
        Guarded([&] { OnTrayClick(click->index, click->button); });
}

void MainWindow::OnTimer(UINT_PTR id) {
    switch (id) {
        case kChangeWatcherTimerId: Guarded([&] { OnChangeWatcherTick(); }); break;
        case kIdlingTimerId: Guarded([&] { OnIdlingTick(); }); break;
        case kRestoreIconsTimerId: Guarded([&] { RestoreIcons(); }); break;
        default: break;
    }
}

void MainWindow::OnEndSession(bool ending) {
    // The process may be ended as soon as this returns: store the options
    // and take the icons away now.
    if (!ending) return;
    Guarded([&] {
        Unload();
        ReleaseWindowParts();
    });
}

void MainWindow::OnDestroy() {
    Guarded([&] { ReleaseWindowParts(); });
    PostQuitMessage(failed_ ? 1 : 0);
}

void MainWindow::OnNcDestroy() {
    // The system has destroyed the window: there is nothing left to destroy,
    // and the handle may soon name another window.
    SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
    hwnd_.release();
}

void MainWindow::ReleaseWindowParts() {
    // While the window still exists: an icon whose owner window is gone can
    // stay drawn in the notification area after the program has ended.
    watcher_.Stop();
    for (WindowTimer* timer : Timers()) timer->SetEnabled(false);
    stElement.Clear();
    stElement.Main().SetInTray(false);
}

void MainWindow::Load() {
    SupportLibrary& support = components_.support;
    loaded_ = true;
    support.CenterFormEx(hwnd_.get());
    if (!support.IsInIDE()) support.SetWindowResIconAll(hwnd_.get(), app_info::kMainIconResource);

    SysTray& mainIcon = stElement.Main();
    mainIcon.SetText(texts::kMainWindowCaption);
    mainIcon.SetTrayIcon(support.LoadResTrayIcon(app_info::kMainIconResource));
    mainIcon.SetInTray(true);

    RefreshElements();

    menus_.SetChecked(MenuArray::mnuTray, 15, state_.SET_AntiHide);
    tmrIdling.SetEnabled(state_.SET_AntiHide);
    menus_.SetChecked(MenuArray::mnuTray, 16, state_.SET_AntiHideOnTS);
    menus_.SetChecked(MenuArray::mnuTray, 17, components_.autorun.IsRegistered(app_info::APP_GUID));

    watcher_.Start(state_.SET_ElementsPath);
}

void MainWindow::Unload() {
    if (!loaded_ || unloaded_) return;
    unloaded_ = true;
    watcher_.Stop();
    SaveSettings(state_, components_.settings);
    SetIdlePriority(false);
}

void MainWindow::Exit() {
    Unload();
    DestroyWindow(hwnd_.get());
}

void MainWindow::RefreshElements() { ::RefreshElements(stElement, components_.iconLoaders, state_); }

void MainWindow::OnChangeWatcherTick() {
    watcher_.Tick([this] { RefreshElements(); });
}

void MainWindow::BringForward() {
    components_.support.SetForegroundWindowEx(hwnd_.get());
    SendMessageW(hwnd_.get(), WM_NULL, 0, 0);
}

void MainWindow::ShowPopup(HMENU popup) {
    if (const UINT chosen = components_.ui.PopupMenu(popup, hwnd_.get()); chosen != 0) DispatchCommand(chosen);
}

void MainWindow::DispatchCommand(UINT commandId) {
    const auto item = DecodeMenuCommand(commandId);
    if (!item) return;
    switch (item->array) {
        case MenuArray::mnuTray: OnMainMenuClick(item->index); break;
        case MenuArray::mnuHelp: OnHelpMenuClick(item->index); break;
        case MenuArray::mnuIcon: OnIconMenuClick(item->index); break;
    }
}

void MainWindow::OnTrayClick(int index, std::int32_t button) {
    SetIdlePriority(false);
    const ScopeExit backToIdle([] { SetIdlePriority(true); });
    if (index == 0) {
        BringForward();
        ShowPopup(menus_.TrayPopup());
        return;
    }
    SysTray* element = stElement.Find(index);
    if (!element) return;  // the row was rebuilt after the click was queued
    if (button == kTrayButtonRight) {
        nCurrentElement = index;
        currentElementPath_ = element->Tag();
        BringForward();
        SetMenuDefaultItem(menus_.IconPopup(), MenuCommandId(MenuArray::mnuIcon, 0), FALSE);
        ShowPopup(menus_.IconPopup());
        return;
    }
    RunElement({hwnd_.get(), components_.shell, components_.ui}, element->Tag());
}

void MainWindow::OnMainMenuClick(int index) {
    switch (index) {
        case 0:
            CreateShortcutInteractive(
                {hwnd_.get(), state_, components_.fileDialogs, components_.ui, components_.errorReporter});
            break;
        case 2: OpenElementsFolder(state_, components_.support, components_.shell, components_.ui); break;
        case 3: RefreshElements(); break;
        case 15: {
            const bool on = !menus_.Checked(MenuArray::mnuTray, 15);
            menus_.SetChecked(MenuArray::mnuTray, 15, on);
            state_.SET_AntiHide = on;
            tmrIdling.SetEnabled(on);
            break;
        }
        case 16: {
            const bool on = !menus_.Checked(MenuArray::mnuTray, 16);
            menus_.SetChecked(MenuArray::mnuTray, 16, on);
            state_.SET_AntiHideOnTS = on;
            break;
        }
        case 17: {
            const bool registered = menus_.Checked(MenuArray::mnuTray, 17);
            const bool done = registered ? components_.autorun.Unregister(app_info::APP_GUID)
                                         : components_.autorun.Register(app_info::APP_GUID, 0);
            if (done) menus_.SetChecked(MenuArray::mnuTray, 17, !registered);
            break;
        }
        case 31: Exit(); break;
        default: break;
    }
}

void MainWindow::OnHelpMenuClick(int index) {
    if (index == 99) components_.aboutBox.Show(hwnd_.get(), L"", nullptr, texts::kAboutDedication);
}

void MainWindow::OnIconMenuClick(int index) {
    OnElementMenuClick({hwnd_.get(), components_.shell, components_.ui}, index, currentElementPath_);
}

void MainWindow::OnIdlingTick() {
    if (!state_.SET_AntiHideOnTS && components_.isTerminalSession()) return;
    const int last = stElement.UBound();
    for (int i = 1; i <= last; ++i) {
        SysTray& element = stElement[i];
        element.SetInTray(false);
        element.SetInTray(true);
    }
}

void MainWindow::OnTaskbarCreated() {
    restoreAttemptsLeft_ = kRestoreIconsAttempts;
    RestoreIcons();
}

void MainWindow::RestoreIcons() {
    bool allBack = true;
    for (int i = 0; i <= stElement.UBound(); ++i) allBack = stElement[i].Restore() && allBack;
    // The taskbar announces itself before its notification area is always
    // ready; keep trying for a while rather than leave the program unreachable.
    tmrRestoreIcons.SetEnabled(!allBack && --restoreAttemptsLeft_ > 0);
}

void ReportUnhandledError(ModalUi& ui, const AppError& error) {
    ui.MessageBox(texts::kErrorNumberPrefix + ErrorNumberText(error.Number()) + L":\r\n" + error.Description(),
                  MB_OK | MB_ICONERROR);
}

#pragma once
// frmMain: the hidden window that owns the tray icons, the two popup menus
// and the two timers, and receives all their events on the program's one
// thread. It is never shown.

#include "app/components.h"
#include "app/environment.h"
#include "tray/element_set.h"
#include "tray/folder_watcher.h"
#include "tray/menus.h"
#include "tray/window_timer.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr UINT WMAPP_NOTIFYCALLBACK = WM_APP + 1;
inline constexpr wchar_t kMainWindowClass[] = L"Quenwald.Vimbrel.Main";

class MainWindow {
public:
    static constexpr UINT_PTR kChangeWatcherTimerId = 1;
    static constexpr UINT_PTR kIdlingTimerId = 2;
    static constexpr UINT_PTR kRestoreIconsTimerId = 3;
    static constexpr UINT kChangeWatcherInterval = 1000;
    static constexpr UINT kIdlingInterval = 60000;
    static constexpr UINT kRestoreIconsInterval = 2000;
    static constexpr int kRestoreIconsAttempts = 15;

    MainWindow(HINSTANCE instance, Components& components, AppState& state);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_.get(); }  // null once the window is closed

    // The window's load: main icon, first scan, check marks, timers, watch.
    void Load();
    // The window's unload: watch stopped, options stored, normal priority.
    // Runs once, however the window ends.
    void Unload();
    // "Выход": unload and close the window, which ends the message loop.
    void Exit();

    // The tray's mouse event, raised from the icons' callback message.
    void OnTrayClick(int index, std::int32_t button);
    void OnMainMenuClick(int index);  // mnuTray
    void OnHelpMenuClick(int index);  // mnuHelp
    void OnIconMenuClick(int index);  // mnuIcon
    void OnIdlingTick();              // Anti-Hide
    void OnChangeWatcherTick();
    // The taskbar was recreated (Explorer restarted): every icon back.
    void OnTaskbarCreated();

    // For tests: what the window holds.
    ElementSet& Elements() { return stElement; }
    MenuTree& Menus() { return menus_; }
    WindowTimer& ChangeWatcherTimer() { return tmrChangeWatcher; }
    WindowTimer& IdlingTimer() { return tmrIdling; }
    const FolderWatcher& Watcher() const { return watcher_; }
    std::int32_t CurrentElement() const { return nCurrentElement; }
    const std::wstring& CurrentElementPath() const { return currentElementPath_; }

    // When an event handler fails: one box with the error, then the end of the
    // program. Set after the fact so tests can see it instead.
    bool Failed() const { return failed_; }

private:
    static HWND CreateHiddenWindow(HINSTANCE instance, MainWindow* window);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    template <class F>
    void Guarded(F&& handler);
    void OnNotifyCallback(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnEndSession(bool ending);
    void OnDestroy();
    void OnNcDestroy();
    // Stops the watch and the timers and takes every icon out of the
    // notification area.
    void ReleaseWindowParts();
    std::array<WindowTimer*, 3> Timers() { return {&tmrChangeWatcher, &tmrIdling, &tmrRestoreIcons}; }

    void BringForward();
    // Shows a popup at the mouse and runs the chosen command before returning,
    // so it runs inside the click's normal-priority bracket.
    void ShowPopup(HMENU popup);
    void DispatchCommand(UINT commandId);
    void RestoreIcons();
    void RefreshElements();

    Components& components_;
    AppState& state_;
    UINT taskbarCreatedMessage_;
    bool ready_ = false;  // set once construction is done; messages before go to the default
    UniqueWindow hwnd_;

    MenuTree menus_;
    WindowTimer tmrChangeWatcher{kChangeWatcherTimerId, kChangeWatcherInterval};
    WindowTimer tmrIdling{kIdlingTimerId, kIdlingInterval};
    WindowTimer tmrRestoreIcons{kRestoreIconsTimerId, kRestoreIconsInterval};
    int restoreAttemptsLeft_ = 0;
    FolderWatcher watcher_{tmrChangeWatcher};
    ElementSet stElement;

    std::int32_t nCurrentElement = 0;
    // The file whose element menu is open: a rebuild while the menu is open
    // renumbers the icons, and the choice must still act on this file.
    std::wstring currentElementPath_;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool failed_ = false;
};

// Shows an error that reached the edge of a handler or of wWinMain.
void ReportUnhandledError(ModalUi& ui, const AppError& error);

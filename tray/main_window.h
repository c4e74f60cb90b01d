#pragma once
// The hidden main window: it owns the icon row, the two popup menus and the
// timers, receives every event of theirs on the program's one thread, and
// runs the message loop, which also waits on the elements folder. It is
// never shown.

#include "environment/options.h"
#include "outside/outside.h"
#include "tray/folder_watch.h"
#include "tray/icon_row.h"
#include "tray/menus.h"
#include "tray/window_timer.h"

#include <string>

inline constexpr wchar_t kMainWindowClass[] = L"Quenwald.Vimbrel.Main";

class MainWindow {
public:
    static constexpr UINT_PTR kAntiHideTimerId = 1;
    static constexpr UINT_PTR kRestoreIconsTimerId = 2;
    static constexpr UINT kAntiHideIntervalMs = 60000;
    // The taskbar announces itself before it always takes icons: a few
    // tries, a while apart, rather than leave the program unreachable.
    static constexpr UINT kRestoreIconsIntervalMs = 2000;
    static constexpr int kRestoreIconsAttempts = 15;

    // Makes the window and puts up the main icon, the whole row, the check
    // marks and Anti-Hide; the folder is watched from here on.
    MainWindow(HINSTANCE instance, Outside& outside, Options& options, std::wstring elementsFolder);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_.get(); }  // null once the window is closed

    // The message loop, until the window closes; answers the exit code.
    int Run();
    // One turn of it: waits at most maxWaitMs for a message, a change in the
    // folder or a change settling, and handles it. False once the loop ends.
    bool Step(DWORD maxWaitMs = INFINITE);

    const IconRow& Row() const { return row_; }
    const Menus& MenuBar() const { return menus_; }

private:
    static HWND CreateHiddenWindow(HINSTANCE instance, MainWindow* window);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs a handler; whatever it throws is shown once and ends the program.
    template <class Handler>
    void Guarded(Handler&& handler);

    void OnTrayCallback(LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnAntiHideTimer();
    void OnTaskbarCreated();
    void RestoreIcons();
    void OnDestroy();

    void BringForward();
    void ShowMainMenu();
    void ShowElementMenu(const std::wstring& path);
    void OnMainCommand(MainCommand command);
    void OnElementCommand(ElementCommand command, const std::wstring& path);
    void ToggleStartWithWindows();

    // Stores the options and leaves idle priority; once, however the window ends.
    void Unload();
    void Close();

    Outside& outside_;
    Options& options_;
    std::wstring folder_;
    UINT taskbarCreatedMessage_;
    bool ready_ = false;  // messages before the constructor is done get default handling
    bool unloaded_ = false;
    bool failed_ = false;
    int exitCode_ = 0;
    UniqueWindow hwnd_;
    Menus menus_;
    IconRow row_;
    FolderWatch watch_;
    WindowTimer antiHideTimer_{kAntiHideTimerId, kAntiHideIntervalMs};
    WindowTimer restoreIconsTimer_{kRestoreIconsTimerId, kRestoreIconsIntervalMs};
    int restoreAttemptsLeft_ = 0;
};

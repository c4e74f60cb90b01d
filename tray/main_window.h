#pragma once
// The hidden main window: it owns the icon row, the two popup menus and the
// timers, and receives every event of theirs on the program's one window
// thread. The folder watch and the icon worker run on threads of their own
// and tell it by posted messages what they found. It is never shown.
//
// What changes the row runs from the message loop, never inside a call to
// the taskbar: such a call handles the taskbar's callbacks while it waits,
// and a click handled there must not rebuild the row the call is walking.
// Whatever arrives then is kept (RowWork) or posted again for later.

#include "base/error.h"
#include "environment/icon_promotion.h"
#include "environment/network_changes.h"
#include "environment/options.h"
#include "files/folder_watch.h"
#include "outside/outside.h"
#include "tray/icon_row.h"
#include "tray/menus.h"
#include "tray/window_timer.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

inline constexpr wchar_t kMainWindowClass[] = L"Quenwald.Vimbrel.Main";

// ChangeWindowMessageFilterEx, or a test's stand-in for it.
using MessageFilter = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);

// Lets processes of lower integrity send the window these messages, only
// when this process runs elevated: then the taskbar and a second copy, at
// the user's own level, could not reach it otherwise. Opened at the user's
// level, it would let a sandboxed or downloaded process below it click the
// icons and start the user's programs.
void OpenToLowerIntegrity(HWND window, std::initializer_list<UINT> messages, bool elevated, MessageFilter filter);

class MainWindow {
public:
    static constexpr UINT_PTR kAntiHideTimerId = 1;
    static constexpr UINT_PTR kMissingIconsTimerId = 2;
    static constexpr UINT_PTR kUnreadIconsTimerId = 3;
    static constexpr UINT_PTR kRowPauseTimerId = 4;
    static constexpr UINT kAntiHideIntervalMs = 60000;
    // The taskbar may refuse icons for a while at logon, with no
    // "TaskbarCreated" to follow: retried from seconds to a minute apart.
    static constexpr UINT kMissingIconsFirstRetryMs = 2000;
    static constexpr UINT kMissingIconsLongestRetryMs = 60000;
    // Icons of shortcuts whose target is out of reach (not on another
    // machine), read again from half a minute to ten minutes apart.
    static constexpr UINT kUnreadIconsFirstRetryMs = 30000;
    static constexpr UINT kUnreadIconsLongestRetryMs = 600000;
    // The taskbar's turn between two steps of the row's calls: it answers a
    // program's calls before it looks at the mouse, so without a pause a
    // click on any icon would wait for the whole row. Half a step leaves it
    // a third of the time: under Wine 2,000 icons came in about 24 s with it,
    // 27-34 s with a pause as long as the step (docs/benchmarks.md).
    static constexpr UINT kRowPauseMs = static_cast<UINT>(IconRow::kStepMs / 2);

    // Makes the window, puts up the main icon at once, and has the folder
    // listed; the row follows it from here on. The icons' ids are kept in
    // idBookFile (none: for this run only).
    MainWindow(HINSTANCE instance, Outside& outside, Options& options, std::wstring elementsFolder,
               std::wstring idBookFile = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_.get(); }  // null once the window is closed

    // The message loop, until the window closes; answers the exit code.
    int Run();

    const IconRow& Row() const { return row_; }
    const Menus& MenuBar() const { return menus_; }

    // Asks the copy already running in this session to show its main menu,
    // so that starting the program again shows where it is. False when no
    // copy's window was found.
    static bool ShowRunningCopy();

private:
    static HWND CreateHiddenWindow(HINSTANCE instance, MainWindow* window);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Whatever a handler throws is shown once (never while the session
    // ends) and ends the program.
    void Fail(const Error& error);

    LRESULT OnRegisteredMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnTrayCallback(WPARAM wParam, LPARAM lParam);
    void OnRowWorkMessage();
    void ReadOutOfReachAgain();
    void OnIconRecordsChanged();
    void OnMenuOpening(HMENU menu);
    void OnMenuClosed(HMENU menu);
    void OnDpiChanged();
    void OnDeviceChange(WPARAM event);
    void OnTaskbarCreated();
    void OnSecondCopy();
    void OnNcDestroy();
    bool Repeats(UINT id);
    void OnHotkey(WPARAM id);
    void OnTimer(UINT_PTR id);
    void OnEndSession(bool ending, LPARAM reason);
    void OnSettingChange(WPARAM action, LPARAM area);
    void OnRowFree();
    void ScheduleRowWork();
    void OnRowWork();
    void OnDestroy();

    void BringForward();
    // True when a box of ours was up and came forward.
    bool BringDialogForward();
    void Launch(std::wstring path);
    void ShowMainMenu(POINT at);
    void ListElements();
    void ShowElementMenu(UINT id, const std::wstring& path, POINT at);
    MenuChoice PopUp(HMENU menu, POINT at, UINT iconId);
    void OnMainCommand(MainCommand command);
    void OnElementCommand(ElementCommand command, const std::wstring& path);
    void ToggleStartWithWindows();
    // False, after telling the user, when the registry refused.
    bool StoreOptions();
    void ToggleShowOnTaskbar();
    // Promotes or takes back as the option says. A failure is shown only
    // when the user asked for the change; otherwise it is tried again at
    // the next change of the records, or the next start.
    void FollowIconRecords(bool userAsked);

    // Leaves idle priority; once, however the window ends. Closing waits for
    // the row's call to the taskbar to be over.
    void Unload();
    void Close();

    Outside& outside_;
    Options& options_;
    std::wstring folder_;
    UINT taskbarCreatedMessage_;
    UINT showMenuMessage_;
    bool ready_ = false;  // messages before the constructor is done get default handling
    bool unloaded_ = false;
    bool sessionEnding_ = false;
    bool failed_ = false;
    bool menuOpen_ = false;             // one popup menu at a time
    std::vector<std::wstring> listed_;  // the paths "Элементы" lists
    UniqueWindow hwnd_;
    Menus menus_;
    IconRow row_;
    FolderWatch watch_;
    NetworkChanges network_;
    IconPromotion promotion_;
    WindowTimer antiHideTimer_{hwnd_.get(), kAntiHideTimerId};
    RetryTimer missingIconsTimer_{hwnd_.get(), kMissingIconsTimerId, kMissingIconsFirstRetryMs,
                                  kMissingIconsLongestRetryMs};
    RetryTimer unreadIconsTimer_{hwnd_.get(), kUnreadIconsTimerId, kUnreadIconsFirstRetryMs,
                                 kUnreadIconsLongestRetryMs};
    // Running while the row waits for its next step.
    WindowTimer rowPause_{hwnd_.get(), kRowPauseTimerId};

    // What waits for the next turn of the row's work.
    struct RowWork {
        bool posted = false;   // its message is in the queue
        bool wanted = false;   // asked for while the row was busy
        bool anew = true;      // the next listing reads every icon again: the first, and after "Обновить"
        bool reload = false;   // the icon size may have changed
        bool restore = false;  // icons the taskbar may have lost
        bool retryMissing = false;
        bool retryReadings = false;  // on a timer: never another machine
        bool readAgain = false;      // a drive came or the network changed: every file out of reach
        bool close = false;
        std::vector<std::pair<WPARAM, LPARAM>> clicks;  // that came during a call
    } work_;
    // The last icon activated, against the taskbar's repeats: NIN_SELECT at
    // each release of a double click, NIN_KEYSELECT twice for one Enter.
    struct Activation {
        UINT id = ~0u;
        ULONGLONG at = 0;
        bool underway = false;
    } activation_;
};

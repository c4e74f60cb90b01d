// The hidden window with every outside component faked: what its load and
// unload do, how tray clicks and menu commands are dispatched, Anti-Hide and
// the taskbar's return.

#include "app/app_info.h"
#include "app/priority.h"
#include "fakes.h"
#include "temp_folder.h"
#include "tray/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

DWORD Priority() { return GetPriorityClass(GetCurrentProcess()); }
constexpr DWORD kIdle = IDLE_PRIORITY_CLASS, kNormal = NORMAL_PRIORITY_CLASS;

struct MainWindowTest : testing::Test {
    TempFolder folder{L"Vimbrel-элементы"};
    FakeComponents fakes;
    Components components = fakes.Wire();
    AppState state;
    std::unique_ptr<MainWindow> window;

    MainWindowTest() { state.SET_ElementsPath = folder.Path(); }
    ~MainWindowTest() override { SetIdlePriority(false); }

    MainWindow& Load() {
        window = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), components, state);
        window->Load();
        SetIdlePriority(true);  // as start-up leaves it
        return *window;
    }
    size_t Count(const std::wstring& event) const {
        return static_cast<size_t>(std::count(fakes.trays.log.events.begin(), fakes.trays.log.events.end(), event));
    }
};

TEST_F(MainWindowTest, LoadPutsTheMainIconUpSetsCheckMarksAndStartsWatching) {
    folder.WriteFile(L"Readme.txt");
    state.SET_AntiHide = true;
    state.SET_AntiHideOnTS = false;
    fakes.autorun.registered = true;
    MainWindow& w = Load();

    SysTray& mainIcon = w.Elements().Main();
    EXPECT_TRUE(mainIcon.InTray());
    EXPECT_EQ(mainIcon.Text(), L"Vimbrel");
    EXPECT_NE(mainIcon.TrayIcon(), nullptr);
    EXPECT_EQ(fakes.trays.log.events.front(), L"add 0") << "the main icon is up before the first scan";
    EXPECT_EQ(w.Elements().UBound(), 1);

    EXPECT_TRUE(w.Menus().Checked(MenuArray::mnuTray, 15));
    EXPECT_FALSE(w.Menus().Checked(MenuArray::mnuTray, 16));
    EXPECT_TRUE(w.Menus().Checked(MenuArray::mnuTray, 17));
    EXPECT_TRUE(w.IdlingTimer().Enabled());
    EXPECT_EQ(w.IdlingTimer().Interval(), 60000u);
    EXPECT_TRUE(w.Watcher().Watching());
    EXPECT_TRUE(w.ChangeWatcherTimer().Enabled());
    EXPECT_EQ(w.ChangeWatcherTimer().Interval(), 1000u);
    EXPECT_FALSE(IsWindowVisible(w.Handle())) << "the window is never shown";
    wchar_t caption[32] = {};
    GetWindowTextW(w.Handle(), caption, 32);
    EXPECT_STREQ(caption, L"Vimbrel");
}

TEST_F(MainWindowTest, UnloadStoresTheOptionsOnceAndLeavesNormalPriority) {
    state.SET_AntiHide = false;
    MainWindow& w = Load();
    state.SET_AntiHide = true;
    state.SET_AntiHideOnTS = true;

    w.Unload();
    EXPECT_FALSE(w.Watcher().Watching());
    EXPECT_FALSE(w.ChangeWatcherTimer().Enabled());
    EXPECT_TRUE(fakes.settingsValues[L"|Anti-Hide"]);
    EXPECT_TRUE(fakes.settingsValues[L"|Enable Anti-Hide on TS"]);
    EXPECT_EQ(Priority(), kNormal);

    fakes.settingsValues.clear();
    SetIdlePriority(true);
    w.Unload();
    EXPECT_TRUE(fakes.settingsValues.empty()) << "a second unload does nothing";
    EXPECT_EQ(Priority(), kIdle);
}

TEST_F(MainWindowTest, AnUnwatchableFolderLeavesTheTimerOffAndUnloadClosesNothing) {
    state.SET_ElementsPath = folder / L"missing";
    MainWindow& w = Load();
    EXPECT_FALSE(w.Watcher().Watching());
    EXPECT_FALSE(w.ChangeWatcherTimer().Enabled());
    w.Unload();
    EXPECT_FALSE(w.ChangeWatcherTimer().Enabled());
}

TEST_F(MainWindowTest, AnyClickOnTheMainIconOpensTheMainMenuAtNormalPriority) {
    MainWindow& w = Load();
    for (const std::int32_t button : {kTrayButtonLeft, kTrayButtonRight, kTrayButtonMiddle}) {
        fakes.ui.menus.clear();
        w.OnTrayClick(0, button);
        ASSERT_EQ(fakes.ui.menus.size(), 1u) << "button " << button;
        EXPECT_EQ(fakes.ui.menus[0].menu, w.Menus().TrayPopup());
        EXPECT_EQ(fakes.ui.menus[0].priorityClass, kNormal);
        EXPECT_EQ(Priority(), kIdle) << "back to idle once the menu has closed";
    }
    EXPECT_EQ(fakes.support.foregroundCalls, 3) << "brought forward before every menu";
    EXPECT_TRUE(fakes.shell.calls.empty());
}

TEST_F(MainWindowTest, ARightClickOnAnElementOpensItsMenuAndOtherClicksLaunchIt) {
    const std::wstring first = folder.WriteFile(L"a.txt");
    const std::wstring second = folder.WriteFile(L"b.txt");
    MainWindow& w = Load();
    ASSERT_EQ(w.Elements().UBound(), 2);

    w.OnTrayClick(2, kTrayButtonRight);
    ASSERT_EQ(fakes.ui.menus.size(), 1u);
    EXPECT_EQ(fakes.ui.menus[0].menu, w.Menus().IconPopup());
    EXPECT_EQ(fakes.ui.menus[0].defaultItem, MenuCommandId(MenuArray::mnuIcon, 0)) << "\"Открыть\" in bold";
    EXPECT_EQ(fakes.ui.menus[0].priorityClass, kNormal);
    EXPECT_EQ(w.CurrentElement(), 2);

    // Left and middle clicks launch; they leave the remembered element alone.
    w.OnTrayClick(1, kTrayButtonLeft);
    w.OnTrayClick(2, kTrayButtonMiddle);
    ASSERT_EQ(fakes.shell.calls.size(), 2u);
    EXPECT_EQ(fakes.shell.calls[0], L"open " + first);
    EXPECT_EQ(fakes.shell.calls[1], L"open " + second);
    EXPECT_EQ(fakes.shell.priorityDuringCall, kNormal);
    EXPECT_EQ(w.CurrentElement(), 2);
    EXPECT_EQ(Priority(), kIdle);
}

TEST_F(MainWindowTest, TheElementMenuActsOnTheFileRightClickedEvenAfterARebuild) {
    const std::wstring a = folder.WriteFile(L"a.txt");
    const std::wstring b = folder.WriteFile(L"b.txt");
    folder.WriteFile(L"c.txt");
    MainWindow& w = Load();
    ASSERT_EQ(w.Elements()[2].Tag(), b);

    // While the menu is open the folder changes and the row is rebuilt, so
    // index 2 now holds another file.
    fakes.ui.whileMenuOpen = [&] {
        DeleteFileW(a.c_str());
        w.OnMainMenuClick(3);
    };
    fakes.ui.menuAnswers = {MenuCommandId(MenuArray::mnuIcon, 2)};
    w.OnTrayClick(2, kTrayButtonRight);
    ASSERT_NE(w.Elements()[2].Tag(), b);
    ASSERT_EQ(fakes.shell.calls.size(), 1u);
    EXPECT_EQ(fakes.shell.calls[0], L"delete " + b);
    EXPECT_EQ(fakes.shell.deleteOwner, nullptr);
}

TEST_F(MainWindowTest, AChosenCommandRunsInsideTheClicksNormalPriority) {
    MainWindow& w = Load();
    DWORD during = 0;
    fakes.ui.menuAnswers = {MenuCommandId(MenuArray::mnuHelp, 99)};
    fakes.ui.whileMenuOpen = [] {};
    w.OnTrayClick(0, kTrayButtonLeft);
    EXPECT_EQ(fakes.aboutBox.shown, 1);
    EXPECT_EQ(fakes.aboutBox.lastOwner, w.Handle());
    EXPECT_FALSE(fakes.aboutBox.lastDedication.empty());

    fakes.ui.menuAnswers = {MenuCommandId(MenuArray::mnuTray, 2)};
    fakes.shell.openResult = 42;
    w.OnTrayClick(0, kTrayButtonLeft);
    ASSERT_FALSE(fakes.shell.calls.empty());
    EXPECT_EQ(fakes.shell.calls.back(), L"open " + folder.Path());
    during = fakes.shell.priorityDuringCall;
    EXPECT_EQ(during, kNormal);
    EXPECT_EQ(Priority(), kIdle);
}

TEST_F(MainWindowTest, AntiHideOptionsToggleTheirMarksAndTheTimerAtOnce) {
    state.SET_AntiHide = true;
    MainWindow& w = Load();

    w.OnMainMenuClick(15);
    EXPECT_FALSE(w.Menus().Checked(MenuArray::mnuTray, 15));
    EXPECT_FALSE(state.SET_AntiHide);
    EXPECT_FALSE(w.IdlingTimer().Enabled());
    w.OnMainMenuClick(15);
    EXPECT_TRUE(state.SET_AntiHide);
    EXPECT_TRUE(w.IdlingTimer().Enabled());

    w.OnMainMenuClick(16);
    EXPECT_TRUE(w.Menus().Checked(MenuArray::mnuTray, 16));
    EXPECT_TRUE(state.SET_AntiHideOnTS);
    EXPECT_TRUE(w.IdlingTimer().Enabled()) << "the second option leaves the timer alone";
    w.OnMainMenuClick(16);
    EXPECT_FALSE(state.SET_AntiHideOnTS);
}

TEST_F(MainWindowTest, StartWithWindowsFlipsItsMarkOnlyWhenTheRegistrationSucceeds) {
    MainWindow& w = Load();
    const std::wstring guid = app_info::APP_GUID;

    w.OnMainMenuClick(17);
    EXPECT_TRUE(w.Menus().Checked(MenuArray::mnuTray, 17));
    w.OnMainMenuClick(17);
    EXPECT_FALSE(w.Menus().Checked(MenuArray::mnuTray, 17));
    EXPECT_EQ(fakes.autorun.calls, (std::vector<std::wstring>{L"register " + guid, L"unregister " + guid}));

    fakes.autorun.fail = true;
    w.OnMainMenuClick(17);
    EXPECT_FALSE(w.Menus().Checked(MenuArray::mnuTray, 17));
    fakes.autorun.fail = false;
    w.OnMainMenuClick(17);
    fakes.autorun.fail = true;
    w.OnMainMenuClick(17);
    EXPECT_TRUE(w.Menus().Checked(MenuArray::mnuTray, 17)) << "a failed removal leaves the mark";
    EXPECT_TRUE(fakes.ui.boxes.empty()) << "no message either way";
}

TEST_F(MainWindowTest, UnusedIndexesDoNothing) {
    folder.WriteFile(L"a.txt");
    MainWindow& w = Load();
    const auto before = fakes.trays.log.events.size();
    for (const int index : {1, 4, 13, 14, 18, 19, 20, 21, 22, 29, 30, 32, 99}) w.OnMainMenuClick(index);
    for (const int index : {0, 98, 100}) w.OnHelpMenuClick(index);
    for (const int index : {1, 3, 5, -1}) w.OnIconMenuClick(index);
    EXPECT_EQ(fakes.trays.log.events.size(), before);
    EXPECT_TRUE(fakes.shell.calls.empty());
    EXPECT_EQ(fakes.aboutBox.shown, 0);
    EXPECT_TRUE(fakes.autorun.calls.empty());
    EXPECT_TRUE(IsWindow(w.Handle()));
}

TEST_F(MainWindowTest, ExitUnloadsAndClosesTheWindow) {
    folder.WriteFile(L"a.txt");
    state.SET_AntiHide = true;
    MainWindow& w = Load();
    const HWND hwnd = w.Handle();
    state.SET_AntiHideOnTS = true;
    fakes.trays.log.events.clear();
    w.OnMainMenuClick(31);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(w.Handle(), nullptr) << "a closed window's handle may come to name another";
    EXPECT_TRUE(fakes.settingsValues[L"|Enable Anti-Hide on TS"]);
    EXPECT_EQ(Priority(), kNormal);
    // The icons leave with the window, not later with the object.
    EXPECT_EQ(fakes.trays.log.events, (std::vector<std::wstring>{L"delete 1", L"delete 0"}));
    EXPECT_FALSE(w.IdlingTimer().Enabled());
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop is told to end";
    EXPECT_EQ(message.wParam, 0u);
    window.reset();
    EXPECT_EQ(fakes.trays.log.live, 0) << "no icon outlives the window";
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "one quit, not two";
}

TEST_F(MainWindowTest, DroppingAnOpenWindowTakesItsIconsAwayWithoutEndingTheLoop) {
    folder.WriteFile(L"a.txt");
    MainWindow& w = Load();
    const HWND hwnd = w.Handle();
    fakes.trays.log.events.clear();
    window.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(fakes.trays.log.events, (std::vector<std::wstring>{L"delete 1", L"delete 0"}));
    EXPECT_EQ(fakes.trays.log.live, 0);
    MSG message;
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "a loop that goes on (a test's, or one that already ended) is not told to end";
}

TEST_F(MainWindowTest, AntiHideTickReaddsElementsButNeverTheMainIcon) {
    folder.WriteFile(L"a.txt");
    folder.WriteFile(L"b.txt");
    MainWindow& w = Load();
    fakes.trays.log.events.clear();

    w.OnIdlingTick();
    EXPECT_EQ(fakes.trays.log.events,
              (std::vector<std::wstring>{L"delete 1", L"add 1", L"delete 2", L"add 2"}));

    // In a remote session only the second option lets it act.
    fakes.terminalSession = true;
    fakes.trays.log.events.clear();
    w.OnIdlingTick();
    EXPECT_TRUE(fakes.trays.log.events.empty());
    state.SET_AntiHideOnTS = true;
    w.OnIdlingTick();
    EXPECT_EQ(fakes.trays.log.events.size(), 4u);
}

TEST_F(MainWindowTest, TheTaskbarsReturnBringsEveryIconBackAndRetriesWhenRefused) {
    folder.WriteFile(L"a.txt");
    MainWindow& w = Load();
    fakes.trays.log.events.clear();
    w.OnTaskbarCreated();
    EXPECT_EQ(fakes.trays.log.events, (std::vector<std::wstring>{L"restore 0", L"restore 1"}));

    static_cast<FakeSysTray&>(w.Elements().Main()).refuseRestore = true;
    w.OnTaskbarCreated();
    MSG message;
    // The retry arrives as a timer tick on the window.
    const DWORD deadline = GetTickCount() + 5000;
    size_t restores = 0;
    while (GetTickCount() < deadline && restores < 3) {
        if (PeekMessageW(&message, w.Handle(), WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&message);
        restores = Count(L"restore 0");
        Sleep(20);
    }
    EXPECT_GE(restores, 3u) << "refused icons are tried again";
    static_cast<FakeSysTray&>(w.Elements().Main()).refuseRestore = false;
}

}  // namespace

namespace {

TEST_F(MainWindowTest, AFailureInAHandlerIsShownOnceAndEndsTheProgram) {
    // Not an AppError: anything thrown must stop at the window procedure.
    components.isTerminalSession = []() -> bool { throw std::out_of_range("no such element"); };
    MainWindow& w = Load();
    SendMessageW(w.Handle(), WM_TIMER, MainWindow::kIdlingTimerId, 0);

    ASSERT_EQ(fakes.ui.boxes.size(), 1u);
    EXPECT_NE(fakes.ui.boxes[0].text.find(L"no such element"), std::wstring::npos) << "the failure's own text";
    EXPECT_EQ(fakes.ui.boxes[0].style & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(w.Failed());
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 1u);
}

}  // namespace

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

    for (const int index : {15, 16, 17})
        EXPECT_EQ(w.Menus().Checked(MenuArray::mnuTray, index), index != 16) << index;
    EXPECT_TRUE(w.IdlingTimer().Enabled());
    EXPECT_EQ(w.IdlingTimer().Interval(), 60000u);
    EXPECT_TRUE(w.Watcher().Watching());
    EXPECT_TRUE(w.ChangeWatcherTimer().Enabled());
    EXPECT_EQ(w.ChangeWatcherTimer().Interval(), 1000u);
    EXPECT_FALSE(IsWindowVisible(w.Handle())) << "the window is never shown";
}

TEST_F(MainWindowTest, UnloadStoresTheOptionsOnceAndLeavesNormalPriorityEvenUnwatched) {
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

    // A folder that cannot be watched leaves the timer off, and unload has nothing to close.
    state.SET_ElementsPath = folder / L"missing";
    MainWindow& unwatched = Load();
    EXPECT_FALSE(unwatched.Watcher().Watching());
    EXPECT_FALSE(unwatched.ChangeWatcherTimer().Enabled());
    unwatched.Unload();
    EXPECT_EQ(Priority(), kNormal);
}

TEST_F(MainWindowTest, TrayClicksDispatchByIconAndButtonAtNormalPriority) {
    const std::wstring first = folder.WriteFile(L"a.txt");
    const std::wstring second = folder.WriteFile(L"b.txt");
    MainWindow& w = Load();
    ASSERT_EQ(w.Elements().UBound(), 2);
    // Any button on the main icon opens the main menu.
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

    // A chosen command runs inside the click, still at normal priority.
    fakes.ui.menuAnswers = {MenuCommandId(MenuArray::mnuHelp, 99), MenuCommandId(MenuArray::mnuTray, 2)};
    w.OnTrayClick(0, kTrayButtonLeft);
    EXPECT_EQ(fakes.aboutBox.shown, 1);
    EXPECT_EQ(fakes.aboutBox.lastOwner, w.Handle());
    w.OnTrayClick(0, kTrayButtonLeft);
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"open " + folder.Path()});
    EXPECT_EQ(fakes.shell.priorityDuringCall, kNormal);
    EXPECT_EQ(Priority(), kIdle);

    // A right click on an element opens its menu; other buttons launch it.
    fakes.ui.menus.clear();
    fakes.shell.calls.clear();
    w.OnTrayClick(2, kTrayButtonRight);
    ASSERT_EQ(fakes.ui.menus.size(), 1u);
    EXPECT_EQ(fakes.ui.menus[0].menu, w.Menus().IconPopup());
    EXPECT_EQ(fakes.ui.menus[0].defaultItem, MenuCommandId(MenuArray::mnuIcon, 0)) << "\"Открыть\" in bold";
    EXPECT_EQ(fakes.ui.menus[0].priorityClass, kNormal);
    EXPECT_EQ(w.CurrentElement(), 2);

    // Left and middle clicks launch; they leave the remembered element alone.
    w.OnTrayClick(1, kTrayButtonLeft);
    w.OnTrayClick(2, kTrayButtonMiddle);
    EXPECT_EQ(fakes.shell.calls, (std::vector<std::wstring>{L"open " + first, L"open " + second}));
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
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"delete " + b});
    EXPECT_EQ(fakes.shell.deleteOwner, nullptr);
}

TEST_F(MainWindowTest, MainMenuCommandsDispatchByIndex) {
    folder.WriteFile(L"a.txt");
    state.SET_AntiHide = true;
    MainWindow& w = Load();

    // Unused indexes do nothing.
    const auto before = fakes.trays.log.events.size();
    for (const int index : {1, 4, 13, 14, 18, 19, 20, 21, 22, 29, 30, 32, 99}) w.OnMainMenuClick(index);
    for (const int index : {0, 98, 100}) w.OnHelpMenuClick(index);
    for (const int index : {1, 3, 5, -1}) w.OnIconMenuClick(index);
    EXPECT_EQ(fakes.trays.log.events.size(), before);
    EXPECT_TRUE(fakes.shell.calls.empty());
    EXPECT_EQ(fakes.aboutBox.shown, 0);
    EXPECT_TRUE(fakes.autorun.calls.empty());
    EXPECT_TRUE(IsWindow(w.Handle()));

    // The Anti-Hide options flip their marks, the first one the timer too, at once.
    for (const bool on : {false, true}) {
        w.OnMainMenuClick(15);
        EXPECT_EQ(w.Menus().Checked(MenuArray::mnuTray, 15), on);
        EXPECT_EQ(state.SET_AntiHide, on);
        EXPECT_EQ(w.IdlingTimer().Enabled(), on);
    }
    for (const bool on : {true, false}) {
        w.OnMainMenuClick(16);
        EXPECT_EQ(w.Menus().Checked(MenuArray::mnuTray, 16), on);
        EXPECT_EQ(state.SET_AntiHideOnTS, on);
        EXPECT_TRUE(w.IdlingTimer().Enabled()) << "the second option leaves the timer alone";
    }

    // Start with Windows flips its mark only when the registration succeeds:
    // register, unregister, a failed register, register, a failed unregister.
    const std::pair<bool, bool> steps[] = {{false, true}, {false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& [fails, checked] : steps) {
        fakes.autorun.fail = fails;
        w.OnMainMenuClick(17);
        EXPECT_EQ(w.Menus().Checked(MenuArray::mnuTray, 17), checked);
    }
    const std::wstring guid = app_info::APP_GUID;
    EXPECT_EQ(fakes.autorun.calls[0], L"register " + guid);
    EXPECT_EQ(fakes.autorun.calls[1], L"unregister " + guid);
    EXPECT_TRUE(fakes.ui.boxes.empty()) << "no message either way";
}

TEST_F(MainWindowTest, ExitUnloadsAndEndsTheLoopWhileDroppingAWindowOnlyTakesItsIcons) {
    folder.WriteFile(L"a.txt");
    const auto iconsLeaveWithTheWindow = [&](HWND hwnd) {
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(fakes.trays.log.events, (std::vector<std::wstring>{L"delete 1", L"delete 0"}));
    };
    MSG message;
    HWND hwnd = Load().Handle();
    fakes.trays.log.events.clear();
    window.reset();
    iconsLeaveWithTheWindow(hwnd);
    EXPECT_EQ(fakes.trays.log.live, 0);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "a loop that goes on (a test's, or one that already ended) is not told to end";

    state.SET_AntiHide = true;
    MainWindow& w = Load();
    hwnd = w.Handle();
    state.SET_AntiHideOnTS = true;
    fakes.trays.log.events.clear();
    w.OnMainMenuClick(31);
    EXPECT_EQ(w.Handle(), nullptr) << "a closed window's handle may come to name another";
    EXPECT_TRUE(fakes.settingsValues[L"|Enable Anti-Hide on TS"]);
    EXPECT_EQ(Priority(), kNormal);
    EXPECT_FALSE(w.IdlingTimer().Enabled());
    iconsLeaveWithTheWindow(hwnd);
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop is told to end";
    EXPECT_EQ(message.wParam, 0u);
    window.reset();
    EXPECT_EQ(fakes.trays.log.live, 0) << "no icon outlives the window";
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "one quit, not two";
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

#include "base/priority.h"
#include "base/program.h"
#include "support.h"
#include "tray/main_window.h"
#include "tray/menu_theme.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <chrono>

static constexpr DWORD kIdle = IDLE_PRIORITY_CLASS, kNormal = NORMAL_PRIORITY_CLASS;
using Calls = std::vector<std::pair<std::wstring, DWORD>>;

struct MainWindowTest : testing::Test {
    decltype(SaveRegistryKey({})) savedOptions = SaveRegistryKey(L"Software\\Quenwald");
    TempFolder folder;
    std::wstring a = folder.Write(L"a.txt");
    Fakes fakes;
    Options options;
    MainWindow window{GetModuleHandleW(nullptr), fakes.outside, options, folder.Path()};

    MainWindowTest() {
        RestAtIdlePriority();
        // Its own icon too: nothing else is on its way when a test begins.
        EXPECT_TRUE(Shows(1) && PumpUntil([&] { return window.Row().Elements()[0].icon.valid(); }));
    }
    ~MainWindowTest() override { LeaveIdlePriority(); }
    // The row holds that many files and the user can reach each icon.
    bool Shows(size_t files) {
        return PumpUntil(
            [&] { return window.Row().Elements().size() == files && fakes.tray.Reachable().size() == files + 1; });
    }
    // What the taskbar sends when the user acts on an icon, and the choice
    // then made in the menu that opens, if any.
    void Click(UINT id, WORD event = NIN_SELECT, MenuChoice choice = {}, POINT at = {}, HWND to = nullptr) {
        if (choice.command || choice.cancelledFromKeyboard) fakes.ui.menuAnswers.push_back(choice);
        SendMessageW(to ? to : window.Handle(), kTrayCallbackMessage, MAKEWPARAM(at.x, at.y), MAKELPARAM(event, id));
    }
    void Choose(MainCommand command, HWND to = nullptr) { Click(0, WM_CONTEXTMENU, {CommandId(command)}, {}, to); }
    void Tick(UINT_PTR timer) {
        SendMessageW(window.Handle(), WM_TIMER, timer, 0);
        PumpUntil([] { return true; });
    }
    UINT A() const { return window.Row().Elements().at(0).id; }
};

TEST_F(MainWindowTest, ClicksAreAnsweredWhereTheUserIsOnceEachAtNormalPriorityAndFailuresToldThenIdle) {
    Click(0, NIN_SELECT, {}, {-20, 700});  // a taskbar left of the primary screen
    Click(A(), WM_CONTEXTMENU, {CommandId(ElementCommand::Properties)}, {30, 40});
    Click(A());
    Click(A());                                       // the second release of a double click
    Click(A(), NIN_KEYSELECT);                        // Enter, reported twice
    Click(0x7777);                                    // an id no file has (any more): nothing
    Click(0, WM_CONTEXTMENU, {0, true});              // left with Esc
    fakes.shell.openError = ERROR_CANCELLED;          // a UAC prompt declined: no failure
    Click(0, WM_CONTEXTMENU, {kElementsMenuIdBase});  // "Элементы", its first
    fakes.shell.openError = ERROR_FILE_NOT_FOUND;
    Click(0, WM_CONTEXTMENU, {kElementsMenuIdBase});
    const HMENU main = window.MenuBar().Main(), element = window.MenuBar().Element();
    EXPECT_EQ(fakes.ui.menus, (std::vector<FakeUi::Shown>{{main, kNormal, -20, 700},
                                                          {element, kNormal, 30, 40},
                                                          {main, kNormal, 0, 0},
                                                          {main, kNormal, 0, 0},
                                                          {main, kNormal, 0, 0}}));
    const std::pair<std::wstring, DWORD> open{L"open " + a, kNormal};
    EXPECT_EQ(fakes.shell.calls, (Calls{{L"properties " + a, kNormal}, open, open, open}));
    EXPECT_EQ(fakes.ui.boxes, std::vector<std::wstring>{L"Не удалось запустить \"" + a + L"\".\r\n" +
                                                        ReasonText(ERROR_FILE_NOT_FOUND)});
    EXPECT_EQ(GetMenuItemCount(window.MenuBar().Elements()), 0) << "«Элементы» let its bitmaps go as it closed";
    EXPECT_EQ(std::count(fakes.tray.log.begin(), fakes.tray.log.end(), L"focus 0"), 1)
        << "the keyboard goes back to the notification area";
    EXPECT_EQ(PriorityClass(), kIdle);
}

TEST_F(MainWindowTest, NothingChangesTheRowInsideACallToTheTaskbarOrTheShell) {
    for (int i = 0; i < 40; ++i) folder.Write(L"file " + std::to_wstring(i) + L".txt");
    bool insideAdd = false, menuInsideAdd = false, changedInsideShell = false;
    fakes.icons->whileTypeIcon = [&] {  // for "new.type", while the row is walked
        const size_t before = window.Row().Elements().size();
        DeleteFileW(a.c_str());
        changedInsideShell = PumpUntil([&] { return window.Row().Elements().size() != before; }, 1000);
    };
    folder.Write(L"new.type");
    fakes.tray.whileAdding = [&] {
        insideAdd = true;
        for (int i = 0; i < 40; i += 2) DeleteFileW((folder / (L"file " + std::to_wstring(i) + L".txt")).c_str());
        fakes.ui.whileMenuOpen = [&] {
            menuInsideAdd = insideAdd;
            PumpUntil([] { return true; });  // as the menu's own loop would
        };
        Choose(MainCommand::Refresh);
        insideAdd = false;
    };
    EXPECT_TRUE(PumpUntil([&] { return fakes.ui.menus.size() == 1; }));
    EXPECT_TRUE(Shows(21)) << "the row is the folder";
    EXPECT_FALSE(menuInsideAdd || changedInsideShell) << "the click was answered once the call was over";
    EXPECT_EQ(fakes.tray.icons.size(), 22u) << "no icon that no file owns";
}

TEST_F(MainWindowTest, IconsTheTaskbarRefusesOrTimesOutOnArriveAllTheSameMainIconFirst) {
    for (const bool refused : {true, false}) {
        fakes.tray.icons.clear(), fakes.tray.versioned.clear();
        (refused ? fakes.tray.refuse : fakes.tray.timesOut) = true;
        SendMessageW(window.Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        PumpUntil([&] { return fakes.tray.log.back() == L"add 0"; });
        EXPECT_TRUE(fakes.tray.Reachable().empty()) << refused;
        for (int tick = 0; refused && tick < 20; ++tick) Tick(MainWindow::kMissingIconsTimerId);
        fakes.tray.refuse = fakes.tray.timesOut = false, fakes.tray.log.clear();
        Tick(MainWindow::kMissingIconsTimerId);
        EXPECT_TRUE(Shows(1)) << refused;
        EXPECT_EQ(fakes.tray.log.at(0), L"modify 0") << "the main icon first";
    }
}

TEST_F(MainWindowTest, AntiHideLeavesIconsTheTaskbarHasAndAddsOnlyALostOne) {
    fakes.tray.Remove({window.Handle(), A()});
    fakes.tray.log.clear();
    Tick(MainWindow::kAntiHideTimerId);
    EXPECT_TRUE(Shows(1));
    const std::wstring id = std::to_wstring(A());
    EXPECT_EQ(fakes.tray.log, (std::vector<std::wstring>{L"modify 0", L"modify " + id, L"add " + id}));
}

TEST_F(MainWindowTest, AfterAStepsWorthOfCallsTheTaskbarHasItsTurnBeforeTheNextStep) {
    using Clock = std::chrono::steady_clock;  // finer than a tick count, which moves a millisecond or more at once
    Clock::time_point stepEnded, nextStarted;
    fakes.tray.whileAdding = [&] {
        Sleep(static_cast<DWORD>(2 * IconRow::kStepMs));  // a taskbar slow enough to fill a step with one call
        stepEnded = Clock::now();
        fakes.tray.whileAdding = [&] { nextStarted = Clock::now(); };
    };
    folder.Write(L"b.txt");
    folder.Write(L"c.txt");
    EXPECT_TRUE(Shows(3));
    EXPECT_GE(nextStarted - stepEnded, std::chrono::milliseconds(MainWindow::kRowPauseMs / 2));
}

TEST_F(MainWindowTest, SlowIconsHoldUpNeitherTheRowNorAClick) {
    ResetEvent(fakes.icons->open.get());  // no file's own icon can be read now
    for (int i = 0; i < 20; ++i) folder.Write(L"slow " + std::to_wstring(i) + L".txt");
    EXPECT_TRUE(Shows(21)) << "each with its type's icon";
    Click(window.Row().Elements().back().id);
    EXPECT_EQ(fakes.shell.calls.size(), 1u);
    SetEvent(fakes.icons->open.get());
    EXPECT_TRUE(PumpUntil([&] {
        const auto& row = window.Row().Elements();
        return std::all_of(row.begin(), row.end(), [](const Element& e) { return e.icon.valid(); });
    })) << "then their own";
}

TEST_F(MainWindowTest, OptionsAreStoredAsTheyChangeAndACloseThatCameDuringACallEndsTheProgramRightAfterIt) {
    Choose(MainCommand::AntiHide);
    EXPECT_FALSE(LoadOptions().antiHide) << "stored at once";
    MakeReadOnly(program::kOptionsKey);
    Choose(MainCommand::AntiHideInRemoteSession);
    EXPECT_EQ(fakes.ui.boxes.at(0).rfind(L"Не удалось сохранить настройки.\r\n\r\nОшибка 5", 0), 0u);
    // The menu is left with Esc, and the user closes the program while the
    // focus goes back; nothing else is on its way that might wake the loop.
    fakes.tray.whileFocusing = [&] { SendMessageW(window.Handle(), WM_CLOSE, 0, 0); };
    Click(0, WM_CONTEXTMENU, {0, true});
    EXPECT_TRUE(PumpUntil([&] { return !window.Handle(); }));
    EXPECT_TRUE(fakes.tray.icons.empty());
    EXPECT_EQ(PriorityClass(), kNormal) << "the ending program is not put back to idle";
}

TEST_F(MainWindowTest, ALogOffLeavesTheIconsToGoWithTheTaskbar) {
    fakes.tray.log.clear();
    SendMessageW(window.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(fakes.tray.log.empty());
}

TEST_F(MainWindowTest, ABoxOfOursComesForwardInsteadOfAMenuOpeningOverIt) {
    UniqueWindow box(
        CreateWindowExW(0, L"#32770", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
    Click(0);
    SendMessageW(window.Handle(), RegisterWindowMessageW(L"Quenwald.Vimbrel.ShowMenu"), 0, 0);  // a second start
    EXPECT_TRUE(fakes.ui.menus.empty());
    box.reset();
    Click(0);
    EXPECT_EQ(fakes.ui.menus.size(), 1u);
}

static std::vector<UINT> opened;  // by the stand-in for ChangeWindowMessageFilterEx
static BOOL WINAPI RecordFilter(HWND, UINT message, DWORD, PCHANGEFILTERSTRUCT) {
    return opened.push_back(message), TRUE;
}

// Wine has no integrity levels: the decision is checked against a stand-in for the filter.
TEST(MessageFilter, OpensToLowerIntegrityOnlyWhenElevated) {
    OpenToLowerIntegrity(nullptr, {WM_APP, WM_APP + 1}, false, RecordFilter);
    EXPECT_TRUE(opened.empty());
    OpenToLowerIntegrity(nullptr, {WM_APP, WM_APP + 1}, true, RecordFilter);
    EXPECT_EQ(opened, (std::vector<UINT>{WM_APP, WM_APP + 1}));
}

TEST_F(MainWindowTest, ShowOnTaskbarOpensTheSystemsPageWhereWindowsKeepsNoRecordOfIcons) {
    if (IconPromotion(kNotifyIconSettingsKey, {}, nullptr, 0).Available()) GTEST_SKIP() << "Windows 11 keeps them";
    Choose(MainCommand::ShowOnTaskbar);
    EXPECT_EQ(fakes.shell.calls, (Calls{{L"icon settings", kNormal}}));
    const UINT item = GetMenuState(window.MenuBar().Main(), CommandId(MainCommand::ShowOnTaskbar), MF_BYCOMMAND);
    EXPECT_FALSE((item & MF_CHECKED) || LoadOptions().showOnTaskbar) << "a command, not a tick";
}

// What the menus asked of uxtheme: an ordinal looked up as its negative, SetPreferredAppMode's argument, 136 flushed.
static std::vector<int> themeCalls;
static int WINAPI SetAppMode(int mode) { return themeCalls.push_back(mode), 0; }
static void WINAPI FlushMenus() { themeCalls.push_back(136); }
static FARPROC UxThemeOf1903(WORD ordinal) {
    themeCalls.push_back(-ordinal);
    void* const found = ordinal == 135   ? reinterpret_cast<void*>(SetAppMode)
                        : ordinal == 136 ? reinterpret_cast<void*>(FlushMenus)
                                         : nullptr;
    return reinterpret_cast<FARPROC>(found);
}

TEST(MenuTheme, MenusFollowTheAppModeOnlyOnBuildsWhereTheOrdinalsMeanThat) {
    FollowAppMode(17763, UxThemeOf1903);  // Windows 10 1809: 135 is another function there
    EXPECT_TRUE(themeCalls.empty());
    FollowAppMode(18362, UxThemeOf1903);
    EXPECT_EQ(themeCalls, (std::vector<int>{-104, -135, -136, 1, 136}))
        << "dark allowed, then the menus' theme flushed";
}

#include "base/priority.h"
#include "environment/options.h"
#include "support.h"
#include "tray/main_window.h"

#include <gtest/gtest.h>

#include <shellapi.h>

namespace {

constexpr DWORD kIdle = IDLE_PRIORITY_CLASS, kNormal = NORMAL_PRIORITY_CLASS;

struct MainWindowTest : testing::Test {
    TempFolder folder;
    Fakes fakes;
    Options options;
    std::unique_ptr<MainWindow> window;

    MainWindowTest() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quenwald"); }
    ~MainWindowTest() override {
        window.reset();
        LeaveIdlePriority();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quenwald");
    }
    MainWindow& Start() {
        window = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), fakes.outside, options, folder.Path());
        RestAtIdlePriority();
        return *window;
    }
    // What the taskbar sends when the user clicks (or right-clicks) an icon.
    void Click(UINT id, bool right = false) {
        SendMessageW(window->Handle(), kTrayCallbackMessage, 0, MAKELPARAM(right ? WM_CONTEXTMENU : NIN_SELECT, id));
    }
    UINT IdOf(const std::wstring& name) const {
        for (const Element& element : window->Row().Elements())
            if (element.file.name == name) return element.id;
        return 0;
    }
    // Runs the loop until the window closes, or fails after a deadline.
    bool RunsToTheEnd() {
        for (const ULONGLONG end = GetTickCount64() + 5000; GetTickCount64() < end;)
            if (!window->Step(100)) return true;
        return false;
    }
};

TEST_F(MainWindowTest, ClicksOpenMenusAndElementsAtNormalPriorityAndRestAtIdleAfter) {
    const std::wstring a = folder.Write(L"a.txt");
    Start();
    for (const bool right : {false, true}) Click(IconRow::kMainIconId, right);
    EXPECT_EQ(fakes.ui.menus, (std::vector<HMENU>{window->MenuBar().Main(), window->MenuBar().Main()}));
    EXPECT_EQ(fakes.ui.menuPriorities, (std::vector<DWORD>{kNormal, kNormal}));

    Click(IdOf(L"a.txt"));
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"open " + a});
    EXPECT_EQ(fakes.shell.priority, kNormal) << "what the shell starts must not inherit idle";
    EXPECT_EQ(PriorityClass(), kIdle);

    fakes.ui.menuAnswers = {CommandId(ElementCommand::Properties)};
    Click(IdOf(L"a.txt"), true);
    EXPECT_EQ(fakes.ui.menus.back(), window->MenuBar().Element());
    EXPECT_EQ(GetMenuDefaultItem(window->MenuBar().Element(), FALSE, 0), CommandId(ElementCommand::Open));
    EXPECT_EQ(fakes.shell.calls.back(), L"properties " + a);

    fakes.ui.menuAnswers = {CommandId(HelpCommand::About)};
    Click(IconRow::kMainIconId);
    EXPECT_EQ(fakes.ui.aboutShown, 1);
    Click(0x7777);  // an id no file has (any more)
    EXPECT_EQ(fakes.shell.calls.size(), 2u);
    EXPECT_EQ(PriorityClass(), kIdle);
}

TEST_F(MainWindowTest, TheElementMenuActsOnTheFileRightClickedWhateverHappensToTheRowMeanwhile) {
    const std::wstring a = folder.Write(L"a.txt");
    folder.Write(L"b.txt");
    Start();
    fakes.ui.whileMenuOpen = [&] {
        DeleteFileW(a.c_str());
        Click(IconRow::kMainIconId);  // "Обновить" while the element menu is open
    };
    fakes.ui.menuAnswers = {CommandId(ElementCommand::Delete), CommandId(MainCommand::Refresh)};
    Click(IdOf(L"a.txt"), true);
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"delete " + a});
}

TEST_F(MainWindowTest, AFailedLaunchNamesTheFileClickedEvenIfTheRowChangedDuringIt) {
    const std::wstring a = folder.Write(L"a.txt");
    Start();
    fakes.shell.opens = false;
    fakes.shell.whileOpening = [&] {
        DeleteFileW(a.c_str());
        folder.Write(L"b.txt");
        fakes.ui.menuAnswers = {CommandId(MainCommand::Refresh)};
        Click(IconRow::kMainIconId);
    };
    Click(IdOf(L"a.txt"));
    EXPECT_EQ(fakes.ui.boxes, std::vector<std::wstring>{L"Не удалось запустить \"" + a + L"\"."});
}

TEST_F(MainWindowTest, OptionCommandsFlipTheirMarksAndAntiHideItsTimerAtOnce) {
    options.antiHide = true;
    Start();
    EXPECT_TRUE(window->AntiHideRunning());
    const struct {
        MainCommand command;
        bool antiHide, inRemoteSession;
    } steps[] = {{MainCommand::AntiHide, false, false},
                 {MainCommand::AntiHideInRemoteSession, false, true},
                 {MainCommand::AntiHide, true, true}};
    for (const auto& step : steps) {
        fakes.ui.menuAnswers = {CommandId(step.command)};
        Click(IconRow::kMainIconId);
        EXPECT_EQ(options.antiHide, step.antiHide);
        EXPECT_EQ(window->AntiHideRunning(), step.antiHide);
        EXPECT_EQ(window->MenuBar().Checked(MainCommand::AntiHide), step.antiHide);
        EXPECT_EQ(options.antiHideInRemoteSession, step.inRemoteSession);
        EXPECT_EQ(window->MenuBar().Checked(MainCommand::AntiHideInRemoteSession), step.inRemoteSession);
    }
}

TEST_F(MainWindowTest, ExitStoresTheOptionsTakesEveryIconAwayAndEndsAtNormalPriority) {
    folder.Write(L"a.txt");
    Start();
    options = {false, true};
    fakes.ui.menuAnswers = {CommandId(MainCommand::Exit)};
    Click(IconRow::kMainIconId);
    ASSERT_TRUE(RunsToTheEnd());
    EXPECT_TRUE(fakes.tray.icons.empty());
    const Options stored = LoadOptions();
    EXPECT_FALSE(stored.antiHide);
    EXPECT_TRUE(stored.antiHideInRemoteSession);
    EXPECT_EQ(PriorityClass(), kNormal);
}

TEST_F(MainWindowTest, TheSessionsEndStoresTheOptionsAndTakesTheIconsAway) {
    folder.Write(L"a.txt");
    Start();
    options = {false, true};
    SendMessageW(window->Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(fakes.tray.icons.empty());
    EXPECT_TRUE(LoadOptions().antiHideInRemoteSession);
}

TEST_F(MainWindowTest, TheTaskbarsReturnBringsTheIconsBackTryingAFewTimesWhileRefused) {
    folder.Write(L"a.txt");
    Start();
    fakes.tray.icons.clear();
    fakes.tray.log.clear();
    fakes.tray.refuse = true;
    SendMessageW(window->Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    int tries = 1;
    // Each retry is a tick of the window's timer; sent here rather than waited for.
    for (; tries < 100 && window->Step(0) && fakes.tray.log.size() < 200; ++tries)
        SendMessageW(window->Handle(), WM_TIMER, MainWindow::kRestoreIconsTimerId, 0);
    const auto adds = std::count(fakes.tray.log.begin(), fakes.tray.log.end(), L"add 0");
    EXPECT_EQ(adds, MainWindow::kRestoreIconsAttempts) << "then it gives up";
    fakes.tray.refuse = false;
    SendMessageW(window->Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(fakes.tray.icons.size(), 2u);
}

TEST_F(MainWindowTest, AFailureInAHandlerIsShownOnceAndEndsTheProgram) {
    Start();
    fakes.ui.chooseFileFails = true;
    fakes.ui.menuAnswers = {CommandId(MainCommand::CreateShortcut)};
    Click(IconRow::kMainIconId);
    ASSERT_TRUE(RunsToTheEnd());
    EXPECT_EQ(fakes.ui.boxes, std::vector<std::wstring>{L"Ошибка 12290: no dialog"});
}

}  // namespace

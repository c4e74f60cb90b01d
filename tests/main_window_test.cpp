#include "base/priority.h"
#include "support.h"
#include "tray/main_window.h"

#include <gtest/gtest.h>

#include <shellapi.h>

static constexpr DWORD kIdle = IDLE_PRIORITY_CLASS, kNormal = NORMAL_PRIORITY_CLASS;
using Calls = std::vector<std::pair<std::wstring, DWORD>>;

// Runs the window's message loop until it ends, for five seconds at most.
static bool Ends(MainWindow& window) {
    for (const ULONGLONG end = GetTickCount64() + 5000; GetTickCount64() < end;)
        if (!window.Step(100)) return true;
    return false;
}

struct MainWindowTest : testing::Test {
    TempFolder folder;
    std::wstring a = folder.Write(L"a.txt");
    Fakes fakes;
    Options options;
    MainWindow window{GetModuleHandleW(nullptr), fakes.outside, options, folder.Path()};

    MainWindowTest() { RestAtIdlePriority(); }
    ~MainWindowTest() override {
        LeaveIdlePriority();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quenwald");
    }
    // What the taskbar sends when the user clicks an icon, and the command
    // then chosen from the menu that opens, if any.
    void Click(UINT id, bool right = false, UINT choice = 0, HWND to = nullptr) {
        if (choice) fakes.ui.menuAnswers.push_back(choice);
        SendMessageW(to ? to : window.Handle(), kTrayCallbackMessage, 0, MAKELPARAM(right ? WM_CONTEXTMENU : NIN_SELECT, id));
    }
    void Choose(MainCommand command, HWND to = nullptr) { Click(0, false, CommandId(command), to); }
    UINT A() const { return window.Row().Elements().at(0).id; }
};

TEST_F(MainWindowTest, ClicksOpenMenusAndElementsAtNormalPriorityThenRestAtIdle) {
    Click(IconRow::kMainIconId);
    Click(IconRow::kMainIconId, true, CommandId(HelpCommand::About));
    Click(A());
    Click(A(), true, CommandId(ElementCommand::Properties));
    Click(0x7777);  // an id no file has (any more): nothing
    const HMENU main = window.MenuBar().Main(), element = window.MenuBar().Element();
    EXPECT_EQ(fakes.ui.menus, (std::vector<std::pair<HMENU, DWORD>>{{main, kNormal}, {main, kNormal},
                                                                    {element, kNormal}}));
    EXPECT_EQ(fakes.ui.boxes, std::vector<std::wstring>{L"about"});
    EXPECT_EQ(fakes.shell.calls, (Calls{{L"open " + a, kNormal}, {L"properties " + a, kNormal}}));
    EXPECT_EQ(PriorityClass(), kIdle);
}

TEST_F(MainWindowTest, TheElementMenuActsOnTheFileRightClickedWhateverHappensToTheRowMeanwhile) {
    fakes.ui.whileMenuOpen = [&] {
        DeleteFileW(a.c_str());
        Choose(MainCommand::Refresh);
    };
    Click(A(), true, CommandId(ElementCommand::Delete));
    EXPECT_EQ(fakes.shell.calls, (Calls{{L"delete " + a, kNormal}}));
}

TEST_F(MainWindowTest, AFailedLaunchNamesTheFileClickedEvenIfTheRowChangedDuringIt) {
    fakes.shell.opens = false;
    fakes.shell.whileOpening = [&] {
        DeleteFileW(a.c_str());
        folder.Write(L"b.txt");
        Choose(MainCommand::Refresh);
    };
    Click(A());
    EXPECT_EQ(fakes.ui.boxes, std::vector<std::wstring>{L"Не удалось запустить \"" + a + L"\"."});
}

TEST_F(MainWindowTest, ExitAndTheSessionsEndStoreTheOptionsAndTakeEveryIconAway) {
    options = {false, true};
    SendMessageW(window.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(fakes.tray.icons.empty() && LoadOptions().antiHideInRemoteSession);

    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quenwald");
    MainWindow other{GetModuleHandleW(nullptr), fakes.outside, options, folder.Path()};
    RestAtIdlePriority();
    Choose(MainCommand::Exit, other.Handle());
    EXPECT_TRUE(Ends(other) && fakes.tray.icons.empty() && LoadOptions().antiHideInRemoteSession);
    EXPECT_EQ(PriorityClass(), kNormal) << "the ending program is not put back to idle";
}

TEST_F(MainWindowTest, TheTaskbarsReturnBringsTheIconsBackTryingAFewTimesWhileRefused) {
    fakes.tray.icons.clear();
    fakes.tray.log.clear();
    fakes.tray.refuse = true;
    SendMessageW(window.Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    // Each retry is a tick of the window's timer, sent here rather than waited for.
    for (int tick = 0; tick < 30; ++tick) SendMessageW(window.Handle(), WM_TIMER, MainWindow::kRestoreIconsTimerId, 0);
    EXPECT_EQ(std::count(fakes.tray.log.begin(), fakes.tray.log.end(), L"add 0"), MainWindow::kRestoreIconsAttempts);
    fakes.tray.refuse = false;
    SendMessageW(window.Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(fakes.tray.icons.size(), 2u);
}

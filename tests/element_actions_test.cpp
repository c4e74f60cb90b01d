// Open, delete and Properties of one element: the element menu's dispatch,
// the priority class around each shell call, and opening for real through
// the shell, with names outside any ANSI code page.

#include "actions/element_actions.h"
#include "app/priority.h"
#include "fakes.h"
#include "temp_folder.h"
#include "tray/main_window.h"

#include <gtest/gtest.h>

namespace {

DWORD Priority() { return GetPriorityClass(GetCurrentProcess()); }
constexpr DWORD kIdle = IDLE_PRIORITY_CLASS, kNormal = NORMAL_PRIORITY_CLASS;

struct ElementActionsTest : testing::Test {
    UniqueWindow owner{CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    FakeShell shell;
    FakeModalUi ui;
    ElementActionContext context{owner.get(), shell, ui};
    const std::wstring path = L"C:\\Элементы\\Блокнот.lnk";

    ElementActionsTest() { SetIdlePriority(true); }  // where the program rests
    ~ElementActionsTest() override { SetIdlePriority(false); }
};

TEST_F(ElementActionsTest, TheMenuDispatchesOnItsIndexValues) {
    for (const int index : {1, 3, -1, 5, 6, 100, 32767}) OnElementMenuClick(context, index, path);
    EXPECT_TRUE(shell.calls.empty()) << "separators and unknown indexes do nothing";
    EXPECT_TRUE(ui.boxes.empty());

    OnElementMenuClick(context, 0, path);
    OnElementMenuClick(context, 2, path);
    OnElementMenuClick(context, 4, path);
    EXPECT_EQ(shell.calls, (std::vector<std::wstring>{L"open " + path, L"delete " + path, L"properties " + path}));
    EXPECT_EQ(shell.deleteOwner, nullptr) << "the deletion's windows have no owner";
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ElementActionsTest, ShellCallsThatShowSomethingRunAtNormalPriorityAndReturnToIdle) {
    RunElement(context, path);
    EXPECT_EQ(shell.priorityDuringCall, kNormal);
    EXPECT_EQ(Priority(), kIdle);

    shell.priorityDuringCall = 0;
    ShowElementProperties(context, path);
    EXPECT_EQ(shell.priorityDuringCall, kNormal);
    EXPECT_EQ(Priority(), kIdle);

    // Deleting leaves the class as the caller set it.
    DeleteElement(context, path);
    EXPECT_EQ(Priority(), kIdle);
    SetIdlePriority(false);
    DeleteElement(context, path);
    EXPECT_EQ(Priority(), kNormal);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ElementActionsTest, OnlyAShellAnswerOf32OrLessIsAFailure) {
    for (const INT_PTR answer : {INT_PTR{33}, INT_PTR{42}}) {
        shell.openResult = answer;
        RunElement(context, path);
    }
    EXPECT_TRUE(ui.boxes.empty());
    for (const INT_PTR answer : {INT_PTR{32}, INT_PTR{2}, INT_PTR{0}}) {
        shell.openResult = answer;
        RunElement(context, path);
    }
    ASSERT_EQ(ui.boxes.size(), 3u);
    for (const auto& box : ui.boxes) {
        EXPECT_EQ(box.text, L"Не удалось запустить \"C:\\Элементы\\Блокнот.lnk\".");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(box.priorityClass, kIdle);
    }
}

TEST_F(ElementActionsTest, OpeningARemovedFileThroughTheShellNamesItsFullPath) {
    const auto realShell = MakeWin32Shell();
    const ElementActionContext real{owner.get(), *realShell, ui};
    TempFolder folder{L"Vimbrel-запуск"};
    const std::wstring removed = folder.WriteFile(L"Удалённый 文件 😀.txt");
    ASSERT_TRUE(DeleteFileW(removed.c_str()));
    // Longer than MAX_PATH: neither cut nor overrun on the way.
    const std::wstring longPath = folder.Path() + L"\\" + std::wstring(150, L'д') + L"\\" +
                                  std::wstring(150, L'ж') + L".txt";
    ASSERT_GT(longPath.size(), 300u);

    RunElement(real, removed);
    RunElement(real, longPath);

    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, L"Не удалось запустить \"" + removed + L"\".");
    EXPECT_EQ(ui.boxes[1].text, L"Не удалось запустить \"" + longPath + L"\".");
    for (const auto& box : ui.boxes) {
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(box.priorityClass, kIdle) << "back at idle before the box shows";
    }
    EXPECT_EQ(Priority(), kIdle);
}

// True once the file exists, waiting at most timeoutMs.
bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
    return true;
}

TEST_F(ElementActionsTest, RunElementStartsAFileWhoseNameNoAnsiCodePageHolds) {
    const auto realShell = MakeWin32Shell();
    const ElementActionContext real{owner.get(), *realShell, ui};
    TempFolder folder{L"Вимбрел-запуск"};
    // %~dp0 is the script's own folder, so the marker lands beside it.
    const std::string script = "@echo off\r\necho done> \"%~dp0marker.txt\"\r\n";
    const std::wstring cyrillic = folder.WriteFile(L"запуск.cmd", script);
    const std::wstring cjkEmoji = folder.WriteFile(L"起動 😀.cmd", "@echo off\r\necho done> \"%~dp0marker2.txt\"\r\n");

    RunElement(real, cyrillic);
    RunElement(real, cjkEmoji);

    EXPECT_TRUE(ui.boxes.empty()) << (ui.boxes.empty() ? std::wstring() : ui.boxes[0].text);
    EXPECT_TRUE(WaitForFile(folder / L"marker.txt", 10000)) << "the Cyrillic script ran";
    EXPECT_TRUE(WaitForFile(folder / L"marker2.txt", 10000)) << "the CJK and emoji script ran";
    EXPECT_EQ(Priority(), kIdle);
    // Let the scripts' processes let go of the folder before it is removed.
    Sleep(300);
}

// The guard against a rebuild while the element menu is open, with the
// rebuild coming the way it does in the program: the watcher's tick, run
// from inside the menu's loop after the folder changed.
TEST(ElementMenuGuard, AWatcherRebuildWhileTheMenuIsOpenDoesNotRedirectTheChoice) {
    TempFolder folder{L"Vimbrel-меню"};
    FakeComponents fakes;
    Components components = fakes.Wire();
    AppState state;
    state.SET_ElementsPath = folder.Path();
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) folder.WriteFile(name);
    MainWindow window(GetModuleHandleW(nullptr), components, state);
    window.Load();
    ASSERT_EQ(window.Elements().UBound(), 3);
    const std::wstring first = window.Elements()[1].Tag();
    const std::wstring second = window.Elements()[2].Tag();

    fakes.ui.whileMenuOpen = [&] {
        DeleteFileW(first.c_str());
        Sleep(200);
        window.OnChangeWatcherTick();
    };
    fakes.ui.menuAnswers = {MenuCommandId(MenuArray::mnuIcon, 4)};
    window.OnTrayClick(2, kTrayButtonRight);

    ASSERT_EQ(window.Elements().UBound(), 2) << "the row was rebuilt while the menu was open";
    ASSERT_NE(window.Elements()[2].Tag(), second) << "so index 2 now names another file";
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"properties " + second});
    window.Unload();
    SetIdlePriority(false);
}

}  // namespace

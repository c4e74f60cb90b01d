// The program's own input box, the system's open-file dialog and the error
// report, shown for real and driven from a second thread while the test's
// thread sits in the modal loop, as a user would drive them.

#include "actions/shortcut.h"
#include "app/handles.h"
#include "fakes.h"
#include "outside/error_reporter.h"
#include "outside/file_dialog.h"
#include "outside/input_box.h"
#include "temp_folder.h"
#include "tray/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct ChildSearch {
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    auto& search = *reinterpret_cast<ChildSearch*>(context);
    if (_wcsicmp(ClassOf(child).c_str(), search.className) == 0) search.found.push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent, const wchar_t* className) {
    ChildSearch search{className, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM result) {
    if (IsWindowVisible(window) && ClassOf(window) == L"#32770") {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Waits on a second thread for a visible dialog of the test's thread, hands
// it to `drive`, and closes it with Cancel should `drive` have left it open,
// so that a failing check never leaves the test hanging in a modal loop.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> drive)
        : uiThread_(GetCurrentThreadId()), thread_([this, drive = std::move(drive)] { Run(drive); }) {}
    ~DialogDriver() { thread_.join(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool Found() const { return found_; }

private:
    HWND FindDialog() const {
        HWND dialog = nullptr;
        EnumThreadWindows(uiThread_, FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
        return dialog;
    }

    void Run(const std::function<void(HWND)>& drive) {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + seconds(20);
        HWND dialog = FindDialog();
        while (!dialog && steady_clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(50));
            dialog = FindDialog();
        }
        if (!dialog) return;
        found_ = true;
        drive(dialog);
        const auto closeBy = steady_clock::now() + seconds(5);
        while (IsWindow(dialog) && steady_clock::now() < closeBy) std::this_thread::sleep_for(milliseconds(50));
        if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }

    DWORD uiThread_;
    std::atomic<bool> found_{false};
    std::thread thread_;
};

void PressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

constexpr wchar_t kPrompt[] =
    L"Введите имя файла для ярлыка. Этот ярлык будет помещён в каталог с остальными ярлыками, и будет выведен в "
    L"трей как и все остальные. Расширение .LNK дописывать не нужно.";
constexpr wchar_t kTitle[] = L"Oskerin - Vimbrel";

// What the input box looked like while it was up.
struct InputBoxSeen {
    std::wstring title, prompt, edit, ok, cancel, fontFace;
    DWORD selStart = 1, selEnd = 0;
    bool editHasFocus = false;
    RECT dialog{}, promptRect{}, editRect{}, okRect{}, cancelRect{};
    int promptNeeds = 0;  // height the wrapped prompt needs in its own font
    size_t buttons = 0;
};

InputBoxSeen Look(HWND dialog, DWORD uiThread) {
    InputBoxSeen seen;
    seen.title = TextOf(dialog);
    seen.dialog = ScreenRect(dialog);
    const auto statics = Children(dialog, L"Static");
    const auto edits = Children(dialog, L"Edit");
    const auto buttons = Children(dialog, L"Button");
    seen.buttons = buttons.size();
    if (statics.size() != 1 || edits.size() != 1 || buttons.size() != 2) return seen;

    seen.prompt = TextOf(statics[0]);
    seen.promptRect = ScreenRect(statics[0]);
    seen.edit = TextOf(edits[0]);
    seen.editRect = ScreenRect(edits[0]);
    SendMessageW(edits[0], EM_GETSEL, reinterpret_cast<WPARAM>(&seen.selStart), reinterpret_cast<LPARAM>(&seen.selEnd));
    for (HWND button : buttons) {
        if (GetDlgCtrlID(button) == IDOK) {
            seen.ok = TextOf(button);
            seen.okRect = ScreenRect(button);
        } else if (GetDlgCtrlID(button) == IDCANCEL) {
            seen.cancel = TextOf(button);
            seen.cancelRect = ScreenRect(button);
        }
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(uiThread, &info);
    seen.editHasFocus = info.hwndFocus == edits[0];

    const auto font = reinterpret_cast<HFONT>(SendMessageW(statics[0], WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    GetObjectW(font, sizeof logFont, &logFont);
    seen.fontFace = logFont.lfFaceName;
    const WindowDC dc(statics[0]);
    const SelectedObject selected(dc.get(), font);
    RECT needed{0, 0, seen.promptRect.right - seen.promptRect.left, 0};
    DrawTextW(dc.get(), seen.prompt.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    seen.promptNeeds = needed.bottom;
    return seen;
}

HWND EditOf(HWND dialog) {
    const auto edits = Children(dialog, L"Edit");
    return edits.empty() ? nullptr : edits[0];
}

TEST(InputBox, LooksLikeTheClassicBoxAndEnterTakesTheText) {
    const std::wstring preset = L"Очень длинное имя файла, которое выбрал пользователь для своего ярлыка.txt";
    const DWORD uiThread = GetCurrentThreadId();
    InputBoxSeen seen;
    std::optional<std::wstring> answer;
    {
        DialogDriver driver([&](HWND dialog) {
            seen = Look(dialog, uiThread);
            const HWND edit = EditOf(dialog);
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Мой ярлык"));
            PressKey(edit, VK_RETURN);
        });
        answer = ShowInputBox(GetModuleHandleW(nullptr), nullptr, kPrompt, kTitle, preset);
        ASSERT_TRUE(driver.Found());
    }
    EXPECT_EQ(answer, std::optional<std::wstring>(L"Мой ярлык"));

    EXPECT_EQ(seen.title, kTitle);
    ASSERT_EQ(seen.buttons, 2u);
    EXPECT_EQ(seen.prompt, kPrompt);
    EXPECT_EQ(seen.edit, preset);
    EXPECT_EQ(seen.selStart, 0u);
    EXPECT_EQ(seen.selEnd, preset.size()) << "the preset is selected, so typing replaces it";
    EXPECT_TRUE(seen.editHasFocus);
    EXPECT_EQ(seen.ok, L"ОК");
    EXPECT_EQ(seen.cancel, L"Отмена");

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    EXPECT_EQ(seen.fontFace, metrics.lfMessageFont.lfFaceName);

    // The prompt at the left, wrapped but whole; OK above Cancel at the right;
    // the edit field under both, across the box.
    EXPECT_GE(seen.promptRect.bottom - seen.promptRect.top, seen.promptNeeds);
    EXPECT_GT(seen.promptNeeds, seen.okRect.bottom - seen.okRect.top) << "more than one line";
    EXPECT_LE(seen.promptRect.right, seen.okRect.left);
    EXPECT_EQ(seen.okRect.left, seen.cancelRect.left);
    EXPECT_LE(seen.okRect.bottom, seen.cancelRect.top);
    EXPECT_GE(seen.editRect.top, seen.promptRect.bottom);
    EXPECT_GE(seen.editRect.top, seen.cancelRect.bottom);
    EXPECT_EQ(seen.editRect.left, seen.promptRect.left);
    EXPECT_EQ(seen.editRect.right, seen.okRect.right);
    EXPECT_LE(seen.editRect.bottom, seen.dialog.bottom);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_NEAR((seen.dialog.left + seen.dialog.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((seen.dialog.top + seen.dialog.bottom) / 2, (work.top + work.bottom) / 2, 2);
}

TEST(InputBox, EscAndCancelAnswerNothingAndTheUntouchedPresetComesBack) {
    {
        DialogDriver driver([](HWND dialog) { PressKey(EditOf(dialog), VK_ESCAPE); });
        EXPECT_EQ(ShowInputBox(GetModuleHandleW(nullptr), nullptr, L"?", kTitle, L"x"), std::nullopt);
        EXPECT_TRUE(driver.Found());
    }
    {
        DialogDriver driver([](HWND dialog) {
            PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(ShowInputBox(GetModuleHandleW(nullptr), nullptr, L"?", kTitle, L"x"), std::nullopt);
        EXPECT_TRUE(driver.Found());
    }
    {
        DialogDriver driver([](HWND dialog) { PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); });
        EXPECT_EQ(ShowInputBox(GetModuleHandleW(nullptr), nullptr, L"?", kTitle, L"Блокнот.exe"),
                  std::optional<std::wstring>(L"Блокнот.exe"));
        EXPECT_TRUE(driver.Found());
    }
    {
        // An emptied field is an answer of its own, told apart from Cancel.
        DialogDriver driver([](HWND dialog) {
            const HWND edit = EditOf(dialog);
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
            PressKey(edit, VK_RETURN);
        });
        EXPECT_EQ(ShowInputBox(GetModuleHandleW(nullptr), nullptr, L"?", kTitle, L"x"),
                  std::optional<std::wstring>(L""));
        EXPECT_TRUE(driver.Found());
    }
}

// The file-name field of the Explorer-style open dialog.
HWND FileNameField(HWND dialog) {
    constexpr int kFileNameCombo = 0x47C;  // cmb13
    constexpr int kFileNameEdit = 0x480;   // edt1
    if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) return combo;
    return GetDlgItem(dialog, kFileNameEdit);
}

constexpr int kFileTypeCombo = 0x470;  // cmb1

void Choose(HWND dialog, const std::wstring& path) {
    SendMessageW(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

TEST(FileDialog, ChoosesAFileUnderTheAllFilesFilterAndKeepsAShortcutAsItIs) {
    const TempFolder folder{L"Выбор"};
    const std::wstring file = folder.WriteFile(L"Документ.txt");
    const auto dialogs = MakeCommonFileDialogFactory();

    auto dialog = dialogs->Create();
    dialog->SetFilter(L"Все файлы|*.*");
    dialog->SetFlags(0);
    dialog->SetOwnerWindow(nullptr);
    std::wstring filterShown;
    bool chosen = false;
    {
        DialogDriver driver([&](HWND window) {
            filterShown = TextOf(GetDlgItem(window, kFileTypeCombo));
            Choose(window, file);
        });
        chosen = dialog->ShowOpen();
        ASSERT_TRUE(driver.Found());
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog->FileName(), file);
    EXPECT_EQ(filterShown, L"Все файлы");

    // A shortcut is chosen as the file it is, not as the file it points to:
    // a shortcut to a shortcut is what the user asked for.
    FakeErrorReporter reporter;
    const std::wstring link = folder / L"Ссылка.lnk";
    CreateShortcut(reporter, link, file, folder.Path(), L"", L"", 0, SW_SHOWDEFAULT);
    ASSERT_TRUE(reporter.messages.empty());
    dialog = dialogs->Create();
    dialog->SetFilter(L"Все файлы|*.*");
    {
        DialogDriver driver([&](HWND window) { Choose(window, link); });
        chosen = dialog->ShowOpen();
        ASSERT_TRUE(driver.Found());
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog->FileName(), link);
}

TEST(FileDialog, CancelChoosesNothing) {
    auto dialog = MakeCommonFileDialogFactory()->Create();
    dialog->SetFilter(L"Все файлы|*.*");
    bool chosen = true;
    {
        DialogDriver driver([](HWND window) { PostMessageW(window, WM_COMMAND, IDCANCEL, 0); });
        chosen = dialog->ShowOpen();
        ASSERT_TRUE(driver.Found());
    }
    EXPECT_FALSE(chosen);
    EXPECT_EQ(dialog->FileName(), L"");
}

TEST(ErrorReport, ShowsTheMessageThenTheErrorsNumberAndDescription) {
    FakeModalUi ui;
    const auto reporter = MakeMessageBoxErrorReporter(ui);
    reporter->ShowError(AppError(5, L"Отказано в доступе"), L"Не удалось создать ярлык.");
    reporter->ShowError(AppError(static_cast<long>(0x80070003), L"Системе не удаётся найти путь"),
                        L"Не удалось создать ярлык.");
    reporter->ShowError(AppError(51, L""), L"Нет каталога.");

    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, L"Не удалось создать ярлык.\r\n\r\nОшибка 5: Отказано в доступе");
    EXPECT_EQ(ui.boxes[1].text, L"Не удалось создать ярлык.\r\n\r\nОшибка 0x80070003: Системе не удаётся найти путь");
    EXPECT_EQ(ui.boxes[2].text, L"Нет каталога.\r\n\r\nОшибка 51");
    for (const auto& box : ui.boxes) EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONERROR));

    // A real failure of the link object reaches the user as one such box.
    const TempFolder folder;
    CreateShortcut(*reporter, folder / L"missing\\x.LNK", folder.WriteFile(L"t.txt"), folder.Path(), L"", L"", 0, 10);
    ASSERT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(ui.boxes[3].text.rfind(L"Не удалось создать ярлык.\r\n\r\nОшибка 0x8", 0), 0u) << ui.boxes[3].text;
}

TEST(ErrorReport, AnUnhandledErrorShowsItsNumberTheSameWay) {
    FakeModalUi ui;
    ReportUnhandledError(ui, AppError(51, L"SET_ElementsPath == \"\""));
    ReportUnhandledError(ui, AppError(static_cast<long>(0x80004005), L"Сбой"));
    ReportUnhandledError(ui, AppError(0, L""));

    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[0].text, L"Ошибка 51:\r\nSET_ElementsPath == \"\"");
    EXPECT_EQ(ui.boxes[1].text, L"Ошибка 0x80004005:\r\nСбой");
    EXPECT_EQ(ui.boxes[2].text, L"Ошибка 0:\r\n");
    for (const auto& box : ui.boxes) EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONERROR));

    // Without a text of the system's own, the number stands in for it.
    EXPECT_EQ(DescribeSystemError(0xFFFFFFF0u), L"Ошибка 0xFFFFFFF0");
}

}  // namespace

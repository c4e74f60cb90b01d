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

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::vector<HWND> Children(HWND parent, const wchar_t* className) {
    std::vector<HWND> found;
    HWND child = FindWindowExW(parent, nullptr, className, nullptr);
    while (child) {
        found.push_back(child);
        child = FindWindowExW(parent, child, className, nullptr);
    }
    return found;
}

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM result) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (!IsWindowVisible(window) || std::wstring(name) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Calls `show`, which sits in a modal loop on this thread, while a second
// thread waits for the visible dialog, hands it to `drive`, and closes it with
// Cancel should `drive` have left it open, so that a failing check never
// leaves the test hanging. Answers what `show` answered.
template <class Show>
auto Driven(const std::function<void(HWND)>& drive, Show show) {
    const DWORD uiThread = GetCurrentThreadId();
    bool found = false;
    std::thread driver([&] {
        using namespace std::chrono;
        HWND dialog = nullptr;
        const auto deadline = steady_clock::now() + seconds(20);
        while (!dialog && steady_clock::now() < deadline) {
            EnumThreadWindows(uiThread, FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
            if (!dialog) std::this_thread::sleep_for(milliseconds(50));
        }
        if (!dialog) return;
        found = true;
        drive(dialog);
        const auto closeBy = steady_clock::now() + seconds(5);
        while (IsWindow(dialog) && steady_clock::now() < closeBy) std::this_thread::sleep_for(milliseconds(50));
        if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const ScopeExit join([&] {
        driver.join();
        EXPECT_TRUE(found) << "no dialog came up";
    });
    return show();
}

void PressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

HWND EditOf(HWND dialog) { return FindWindowExW(dialog, nullptr, L"Edit", nullptr); }

constexpr wchar_t kPrompt[] =
    L"Введите имя файла для ярлыка. Этот ярлык будет помещён в каталог с остальными ярлыками, и будет выведен в "
    L"трей как и все остальные. Расширение .LNK дописывать не нужно.";
constexpr wchar_t kTitle[] = L"Oskerin - Vimbrel";

TEST(InputBox, ShowsThePromptWholeWithItsButtonsAtTheRightEnterTakesTheTextEscCancels) {
    const std::wstring preset = L"Очень длинное имя файла, которое выбрал пользователь для своего ярлыка.txt";
    const DWORD uiThread = GetCurrentThreadId();
    // Checked from the driver's thread while the box is up.
    const auto answer = Driven(
        [&](HWND dialog) {
            const auto statics = Children(dialog, L"Static");
            const HWND edit = EditOf(dialog), ok = GetDlgItem(dialog, IDOK), cancel = GetDlgItem(dialog, IDCANCEL);
            ASSERT_EQ(statics.size(), 1u);
            ASSERT_EQ(Children(dialog, L"Button").size(), 2u);
            ASSERT_TRUE(edit && ok && cancel);
            EXPECT_EQ(TextOf(dialog), kTitle);
            EXPECT_EQ(TextOf(statics[0]), kPrompt);
            EXPECT_EQ(TextOf(edit), preset);
            EXPECT_EQ(TextOf(ok), L"ОК");
            EXPECT_EQ(TextOf(cancel), L"Отмена");
            DWORD selStart = 1, selEnd = 0;
            SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
            EXPECT_EQ(selStart, 0u);
            EXPECT_EQ(selEnd, preset.size()) << "the preset is selected, so typing replaces it";
            GUITHREADINFO focus{};
            focus.cbSize = sizeof focus;
            GetGUIThreadInfo(uiThread, &focus);
            EXPECT_EQ(focus.hwndFocus, edit);

            const auto font = reinterpret_cast<HFONT>(SendMessageW(statics[0], WM_GETFONT, 0, 0));
            LOGFONTW used{};
            GetObjectW(font, sizeof used, &used);
            NONCLIENTMETRICSW metrics{};
            metrics.cbSize = sizeof metrics;
            SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
            EXPECT_STREQ(used.lfFaceName, metrics.lfMessageFont.lfFaceName);

            // The prompt at the left, wrapped but whole; OK above Cancel at the
            // right; the edit field under both, across the box.
            const RECT box = ScreenRect(dialog), prompt = ScreenRect(statics[0]), field = ScreenRect(edit),
                       okRect = ScreenRect(ok), cancelRect = ScreenRect(cancel);
            const WindowDC dc(statics[0]);
            const SelectedObject selected(dc.get(), font);
            RECT needed{0, 0, prompt.right - prompt.left, 0};
            DrawTextW(dc.get(), kPrompt, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            EXPECT_GE(prompt.bottom - prompt.top, needed.bottom);
            EXPECT_GT(needed.bottom, okRect.bottom - okRect.top) << "more than one line";
            EXPECT_LE(prompt.right, okRect.left);
            EXPECT_EQ(okRect.left, cancelRect.left);
            EXPECT_LE(okRect.bottom, cancelRect.top);
            EXPECT_GE(field.top, std::max(prompt.bottom, cancelRect.bottom));
            EXPECT_EQ(field.left, prompt.left);
            EXPECT_EQ(field.right, okRect.right);
            EXPECT_LE(field.bottom, box.bottom);
            // Centred on the work area, clear of the taskbar.
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            EXPECT_NEAR(box.left + box.right, work.left + work.right, 4);
            EXPECT_NEAR(box.top + box.bottom, work.top + work.bottom, 4);

            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Мой ярлык"));
            PressKey(edit, VK_RETURN);
        },
        [&] { return ShowInputBox(GetModuleHandleW(nullptr), nullptr, kPrompt, kTitle, preset); });
    EXPECT_EQ(answer, std::optional<std::wstring>(L"Мой ярлык"));

    EXPECT_EQ(Driven([](HWND dialog) { PressKey(EditOf(dialog), VK_ESCAPE); },
                     [] { return ShowInputBox(GetModuleHandleW(nullptr), nullptr, L"?", kTitle, L"x"); }),
              std::nullopt);
}

// Types a path into the Explorer-style dialog's file-name field (cmb13, or
// edt1 where there is no combo box) and presses Open.
void Choose(HWND dialog, const std::wstring& path) {
    HWND field = GetDlgItem(dialog, 0x47C);
    if (!field) field = GetDlgItem(dialog, 0x480);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

// Shows a fresh "Все файлы" open dialog driven by `drive`; answers what it
// returned and the file name it holds afterwards.
std::pair<bool, std::wstring> ShowOpen(const std::function<void(HWND)>& drive) {
    auto dialog = MakeCommonFileDialogFactory()->Create();
    dialog->SetFilter(L"Все файлы|*.*");
    dialog->SetFlags(0);
    const bool chosen = Driven(drive, [&] { return dialog->ShowOpen(); });
    return {chosen, dialog->FileName()};
}

TEST(FileDialog, ChoosesAFileOrAShortcutAsItIsAndCancelChoosesNothing) {
    const TempFolder folder{L"Выбор"};
    const std::wstring file = folder.WriteFile(L"Документ.txt");
    std::wstring filterShown;
    EXPECT_EQ(ShowOpen([&](HWND window) {
                  filterShown = TextOf(GetDlgItem(window, 0x470));  // cmb1, the file types
                  Choose(window, file);
              }),
              std::make_pair(true, file));
    EXPECT_EQ(filterShown, L"Все файлы");

    // A shortcut is chosen as the file it is, not as the file it points to.
    FakeErrorReporter reporter;
    const std::wstring link = folder / L"Ссылка.lnk";
    CreateShortcut(reporter, link, file, folder.Path(), L"", L"", 0, SW_SHOWDEFAULT);
    ASSERT_TRUE(reporter.messages.empty());
    EXPECT_EQ(ShowOpen([&](HWND window) { Choose(window, link); }), std::make_pair(true, link));

    EXPECT_EQ(ShowOpen([](HWND window) { PostMessageW(window, WM_COMMAND, IDCANCEL, 0); }),
              std::make_pair(false, std::wstring()));
}

TEST(ErrorReport, ShowsTheMessageThenTheErrorsNumberAndDescription) {
    FakeModalUi ui;
    const auto reporter = MakeMessageBoxErrorReporter(ui);
    reporter->ShowError(AppError(5, L"Отказано в доступе"), L"Не удалось создать ярлык.");
    reporter->ShowError(AppError(static_cast<long>(0x80070003), L"Нет пути"), L"Не удалось создать ярлык.");
    reporter->ShowError(AppError(51, L""), L"Нет каталога.");
    // The last-chance box for a failure nothing else caught.
    ReportUnhandledError(ui, AppError(51, L"SET_ElementsPath == \"\""));
    ReportUnhandledError(ui, AppError(static_cast<long>(0x80004005), L"Сбой"));
    ReportUnhandledError(ui, AppError(0, L""));

    const std::vector<std::wstring> expected{
        L"Не удалось создать ярлык.\r\n\r\nОшибка 5: Отказано в доступе",
        L"Не удалось создать ярлык.\r\n\r\nОшибка 0x80070003: Нет пути",
        L"Нет каталога.\r\n\r\nОшибка 51",
        L"Ошибка 51:\r\nSET_ElementsPath == \"\"",
        L"Ошибка 0x80004005:\r\nСбой",
        L"Ошибка 0:\r\n",
    };
    ASSERT_EQ(ui.boxes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ui.boxes[i].text, expected[i]);
        EXPECT_EQ(ui.boxes[i].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    }
    // Without a text of the system's own, the number stands in for it.
    EXPECT_EQ(DescribeSystemError(0xFFFFFFF0u), L"Ошибка 0xFFFFFFF0");
}

}  // namespace

#include "outside/shell.h"
#include "support.h"

#include <gtest/gtest.h>

// Answers Yes, as the user would, to the shell's confirmation that blocks
// this thread, once it stands; notes the window it stands over.
static HWND askedOver = nullptr;
static void CALLBACK AnswerYes(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = FindWindowW(L"#32770", nullptr);
    if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
    askedOver = GetWindow(box, GW_OWNER);
    PostMessageW(box, WM_COMMAND, IDYES, 0);
}

// Where a file starts, the end-to-end pass checks: a .cmd element writes %CD%.
TEST(SystemShell, SaysWhyAFileDidNotOpenAndAsksOverItsOwnerBeforeTheRecycleBin) {
    TempFolder folder;
    EXPECT_EQ(SystemShell().Open(nullptr, folder / L"missing.txt"), DWORD{ERROR_FILE_NOT_FOUND});

    const UniqueWindow owner(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    // Wine always asks; Windows only when the user wants it to, and not
    // asked at all is as good as asked over the owner.
    askedOver = owner.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerYes);
    SystemShell().Delete(owner.get(), folder.Write(L"doomed.txt"));
    KillTimer(nullptr, timer);
    EXPECT_EQ(askedOver, owner.get());
}

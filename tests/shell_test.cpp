#include "outside/shell.h"
#include "support.h"

#include <gtest/gtest.h>

// True once the file exists and nobody holds it open any more; five seconds at most.
static bool Written(const std::wstring& path) {
    for (const ULONGLONG end = GetTickCount64() + 5000; GetTickCount64() < end; Sleep(50))
        if (UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))) return true;
    return false;
}

// Answers Yes, as the user would, to the shell's confirmation that blocks
// this thread, once it stands; notes the window it stands over.
static HWND askedOver = nullptr;
static void CALLBACK AnswerYes(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = FindWindowW(L"#32770", nullptr);
    if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
    askedOver = GetWindow(box, GW_OWNER);
    PostMessageW(box, WM_COMMAND, IDYES, 0);
}

TEST(SystemShell, StartsAFileInItsOwnFolderOrSaysWhyNotAndAsksOverItsOwnerBeforeTheRecycleBin) {
    TempFolder folder;
    // Writes into the folder it is started in, wherever that is.
    EXPECT_EQ(SystemShell().Open(nullptr, folder.Write(L"where.cmd", "cd > here.txt\r\n")), DWORD{ERROR_SUCCESS});
    EXPECT_TRUE(Written(folder / L"here.txt")) << "started in another folder";
    EXPECT_EQ(SystemShell().Open(nullptr, folder / L"missing.txt"), DWORD{ERROR_FILE_NOT_FOUND});

    const UniqueWindow owner(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    // Wine always asks; Windows only when the user wants it to, and not
    // asked at all is as good as asked over the owner.
    askedOver = owner.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerYes);
    SystemShell().Delete(owner.get(), folder / L"here.txt");
    KillTimer(nullptr, timer);
    EXPECT_EQ(askedOver, owner.get());
}

#include "support.h"
#include "tray/folder_watch.h"

#include <gtest/gtest.h>

// Waits (up to a deadline) for the watch to ask for a look at the folder,
// handing it every signal on the way, as the message loop does.
static bool WaitUntilDue(FolderWatch& watch, DWORD deadlineMs = 5000) {
    for (const ULONGLONG end = GetTickCount64() + deadlineMs; GetTickCount64() < end;) {
        const std::vector<HANDLE> handles = watch.Handles();
        const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                                  std::min<DWORD>(watch.Timeout(), 100));
        if (woke < WAIT_OBJECT_0 + handles.size()) watch.Signalled(handles[woke - WAIT_OBJECT_0]);
        if (watch.Due()) return true;
    }
    return false;
}

TEST(FolderWatch, AChangeMadeWhileTheRowIsReadBringsAnotherLook) {
    TempFolder folder;
    FolderWatch watch(folder.Path());
    EXPECT_EQ(watch.Timeout(), INFINITE) << "nothing to do while nothing changes";
    folder.Write(L"first.txt");
    ASSERT_TRUE(WaitUntilDue(watch));
    // The row is being read now; a file arrives meanwhile.
    folder.Write(L"during the update.txt");
    EXPECT_TRUE(WaitUntilDue(watch)) << "the change was kept for the next look";
}

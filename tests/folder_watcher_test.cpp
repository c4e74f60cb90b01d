// The folder watch with real change notifications: how many rebuilds a
// burst of changes costs, and what happens when there is nothing to watch.

#include "app/handles.h"
#include "temp_folder.h"
#include "tray/folder_watcher.h"

#include <gtest/gtest.h>

namespace {

// Change notifications reach the handle a little after the file system
// call returns; a real tick comes a second after the change anyway.
void LetNotificationsArrive() { Sleep(200); }

struct FolderWatcherTest : testing::Test {
    TempFolder folder{L"Vimbrel-слежка"};
    // The timer needs a window to tick on; nothing here pumps its messages.
    UniqueWindow window{CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    WindowTimer timer{1, 1000};
    FolderWatcher watcher{timer};
    int rebuilds = 0;

    FolderWatcherTest() { timer.Attach(window.get()); }

    int Tick(const std::function<void()>& duringRebuild = [] {}) {
        const int before = rebuilds;
        watcher.Tick([&] {
            ++rebuilds;
            duringRebuild();
        });
        return rebuilds - before;
    }
};

TEST_F(FolderWatcherTest, ABurstOfChangesCostsOneRebuildOnTheNextTick) {
    ASSERT_TRUE(window);
    watcher.Start(folder.Path());
    ASSERT_TRUE(watcher.Watching());
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(Tick(), 0) << "nothing changed yet";

    for (int i = 0; i < 50; ++i) folder.WriteFile(L"file " + std::to_wstring(i) + L".txt", "content");
    LetNotificationsArrive();
    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(Tick(), 0);
    EXPECT_EQ(Tick(), 0);
    EXPECT_TRUE(watcher.Watching());
    EXPECT_TRUE(timer.Enabled());
}

TEST_F(FolderWatcherTest, ChangesDuringTheRebuildAreSwallowedAndWatchingGoesOn) {
    watcher.Start(folder.Path());
    folder.WriteFile(L"first.txt");
    LetNotificationsArrive();
    EXPECT_EQ(Tick([&] {
                  for (int i = 0; i < 5; ++i) folder.WriteFile(L"during " + std::to_wstring(i) + L".txt");
                  LetNotificationsArrive();
              }),
              1);
    EXPECT_EQ(Tick(), 0) << "what arrived during the rebuild was drained";

    // Each watched kind of change wakes it again, one rebuild each.
    const std::wstring path = folder / L"first.txt";
    folder.WriteFile(L"first.txt", "longer content");
    LetNotificationsArrive();
    EXPECT_EQ(Tick(), 1) << "size and last write";
    ASSERT_TRUE(MoveFileW(path.c_str(), (folder / L"renamed.txt").c_str()));
    LetNotificationsArrive();
    EXPECT_EQ(Tick(), 1) << "file name";
    ASSERT_TRUE(DeleteFileW((folder / L"renamed.txt").c_str()));
    LetNotificationsArrive();
    EXPECT_EQ(Tick(), 1) << "deletion";
    EXPECT_EQ(Tick(), 0);
}

TEST_F(FolderWatcherTest, WithoutANotificationTheTimerStaysOffAndStopClosesNothing) {
    const auto created = HandleCounter<ChangeNotificationTraits>::created;
    const auto destroyed = HandleCounter<ChangeNotificationTraits>::destroyed;

    watcher.Start(folder / L"does not exist");
    EXPECT_FALSE(watcher.Watching());
    EXPECT_FALSE(timer.Enabled());
    folder.WriteFile(L"a.txt");
    LetNotificationsArrive();
    EXPECT_EQ(Tick(), 0);
    watcher.Stop();
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::created, created);
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::destroyed, destroyed);
}

TEST_F(FolderWatcherTest, StopClosesTheNotificationOnceAndNothingTicksAfterwards) {
    const auto destroyed = HandleCounter<ChangeNotificationTraits>::destroyed;
    const auto live = HandleCounter<ChangeNotificationTraits>::live();
    watcher.Start(folder.Path());
    ASSERT_EQ(HandleCounter<ChangeNotificationTraits>::live(), live + 1);

    watcher.Stop();
    EXPECT_FALSE(watcher.Watching());
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::destroyed, destroyed + 1);
    watcher.Stop();
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::destroyed, destroyed + 1);
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::live(), live);

    folder.WriteFile(L"late.txt");
    LetNotificationsArrive();
    EXPECT_EQ(Tick(), 0);
}

TEST_F(FolderWatcherTest, AFailedRearmGivesUpWatchingSilentlyAndClosesTheHandleOnce) {
    const auto closedBefore = HandleCounter<ChangeNotificationTraits>::destroyed;
    int rearms = 0;
    FolderWatcher failing(timer, [&](HANDLE) {
        ++rearms;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    });
    failing.Start(folder.Path());
    ASSERT_TRUE(failing.Watching());
    folder.WriteFile(L"new.txt");
    LetNotificationsArrive();

    int rebuildsSeen = 0;
    failing.Tick([&] { ++rebuildsSeen; });
    EXPECT_EQ(rebuildsSeen, 1) << "the change is still shown before watching ends";
    EXPECT_EQ(rearms, 1);
    EXPECT_FALSE(failing.Watching());
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::destroyed, closedBefore + 1);

    // Given up for good: later changes and ticks do nothing, Stop closes nothing.
    folder.WriteFile(L"later.txt");
    LetNotificationsArrive();
    failing.Tick([&] { ++rebuildsSeen; });
    failing.Stop();
    EXPECT_EQ(rebuildsSeen, 1);
    EXPECT_EQ(rearms, 1);
    EXPECT_EQ(HandleCounter<ChangeNotificationTraits>::destroyed, closedBefore + 1);
}

}  // namespace

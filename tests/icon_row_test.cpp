#include "support.h"
#include "tray/icon_row.h"

#include <gtest/gtest.h>

static FileState File(const wchar_t* name, ULONGLONG size = 1, ULONGLONG written = 10, ULONGLONG created = 5) {
    return {name, size, written, created};
}

TEST(CompareRow, FindsWhatIsGoneChangedAndNewByNameAsWindowsComparesIt) {
    const std::vector<FileState> row = {File(L"a.txt"), File(L"b.lnk"), File(L"c.txt"), File(L"Д.txt")};
    const struct { const char* what; std::vector<FileState> listing; RowChanges expected; } cases[] = {
        {"listed in another order", {File(L"Д.txt"), File(L"c.txt"), File(L"b.lnk"), File(L"a.txt")}, {}},
        {"added", {File(L"a.txt"), File(L"new"), File(L"b.lnk"), File(L"c.txt"), File(L"Д.txt"), File(L"z")},
         {{}, {}, {1, 5}}},
        {"removed", {File(L"b.lnk"), File(L"Д.txt")}, {{0, 2}, {}, {}}},
        {"size, time of last write", {File(L"a.txt", 2), File(L"b.lnk", 1, 11), File(L"c.txt"), File(L"Д.txt")},
         {{}, {{0, 0}, {1, 1}}, {}}},
        {"replaced by a file of the same name",
         {File(L"a.txt"), File(L"b.lnk"), File(L"c.txt", 1, 10, 6), File(L"Д.txt")}, {{}, {{2, 2}}, {}}},
        {"letter case only", {File(L"A.TXT"), File(L"b.lnk"), File(L"c.txt"), File(L"д.txt")},
         {{}, {{0, 0}, {3, 3}}, {}}},
    };
    for (const auto& c : cases) {
        const RowChanges changes = CompareRow(row, c.listing);
        EXPECT_EQ(changes.gone, c.expected.gone) << c.what;
        EXPECT_EQ(changes.changed, c.expected.changed) << c.what;
        EXPECT_EQ(changes.added, c.expected.added) << c.what;
    }
}

struct IconRowTest : testing::Test {
    TempFolder folder;
    FakeArea area;
    IconRow row{area, nullptr, folder.Path()};

    std::vector<std::wstring> Log() { return std::exchange(area.log, {}); }
    std::wstring Id(size_t i) const { return std::to_wstring(row.Elements().at(i).id); }
};

TEST_F(IconRowTest, RebuildShowsEveryVisibleFileInFolderOrderWithIdsThatFollowTheNames) {
    row.ShowMainIcon();
    row.Rebuild();
    EXPECT_EQ(area.balloons.size(), 1u) << "an empty row";
    for (const wchar_t* name : {L"b.txt", L"a.lnk", L"hidden.txt", L"c.URL"}) folder.Write(name);
    SetFileAttributesW((folder / L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryW((folder / L"subfolder").c_str(), nullptr);
    row.Rebuild();
    const std::map<UINT, std::wstring> shown = area.icons;
    EXPECT_EQ(shown, (std::map<UINT, std::wstring>{{0, L"Vimbrel"}, {std::stoul(Id(0)), L"a"},
                                                   {std::stoul(Id(1)), L"b.txt"}, {std::stoul(Id(2)), L"c"}}));
    // Listed in another order once a file has come again: the same ids.
    DeleteFileW((folder / L"a.lnk").c_str());
    folder.Write(L"a.lnk");
    row.Rebuild();
    EXPECT_EQ(area.icons, shown);
}

TEST_F(IconRowTest, UpdateTouchesOnlyTheIconsOfFilesThatChanged) {
    for (int i = 0; i < 50; ++i) folder.Write(L"file " + std::to_wstring(i) + L".txt");
    row.Rebuild();
    const std::wstring first = Id(0), third = Id(2);
    Log();
    folder.Write(L"new.txt");
    row.Update();
    EXPECT_EQ(row.Elements().back().file.name, L"new.txt") << "a new file joins the end of the row";
    EXPECT_EQ(Log(), std::vector<std::wstring>{L"add " + Id(50)});
    DeleteFileW(row.Elements()[2].path.c_str());
    row.Update();
    EXPECT_EQ(Log(), std::vector<std::wstring>{L"remove " + third});
    // Two steps: Wine renames nothing when only the letter case differs.
    MoveFileW(row.Elements()[0].path.c_str(), (folder / L"elsewhere").c_str());
    MoveFileW((folder / L"elsewhere").c_str(), (folder / L"FILE 0.TXT").c_str());
    row.Update();
    EXPECT_EQ(Log(), std::vector<std::wstring>{L"modify " + first});
    EXPECT_EQ(row.Elements()[0].path, folder / L"FILE 0.TXT");
    row.Update();
    EXPECT_TRUE(Log().empty()) << "nothing changed";
}

TEST_F(IconRowTest, AFileWhoseOwnIconCannotBeReadStillGetsAnIcon) {
    // The full path passes 260 characters: too long for the shell.
    const std::wstring longPath = L"\\\\?\\" + (folder / (std::wstring(250, L'a') + L".txt"));
    CloseHandle(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const ScopeExit remove([&] { DeleteFileW(longPath.c_str()); });  // the shell cannot
    row.Rebuild();
    ASSERT_EQ(row.Elements().size(), 1u);
    EXPECT_NE(row.Elements()[0].icon.get(), nullptr);
}

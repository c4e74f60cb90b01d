#include "base/program.h"
#include "support.h"
#include "tray/icon_row.h"

#include <gtest/gtest.h>

namespace {

FileState File(const wchar_t* name, ULONGLONG size = 1, ULONGLONG written = 10, ULONGLONG created = 5) {
    return {name, size, written, created};
}

TEST(CompareRow, FindsWhatIsGoneChangedAndNewByNameAsWindowsComparesIt) {
    const std::vector<FileState> row = {File(L"a.txt"), File(L"b.lnk"), File(L"c.txt"), File(L"Д.txt")};
    const struct {
        const char* what;
        std::vector<FileState> listing;
        RowChanges expected;
    } cases[] = {
        {"nothing", row, {}},
        {"added at the end and in the middle",
         {File(L"a.txt"), File(L"new.txt"), File(L"b.lnk"), File(L"c.txt"), File(L"Д.txt"), File(L"z")},
         {{}, {}, {1, 5}}},
        {"removed", {File(L"b.lnk"), File(L"Д.txt")}, {{0, 2}, {}, {}}},
        {"size, time of last write", {File(L"a.txt", 2), File(L"b.lnk", 1, 11), File(L"c.txt"), File(L"Д.txt")},
         {{}, {{0, 0}, {1, 1}}, {}}},
        {"replaced by a file of the same name",
         {File(L"a.txt"), File(L"b.lnk"), File(L"c.txt", 1, 10, 6), File(L"Д.txt")},
         {{}, {{2, 2}}, {}}},
        {"letter case only, Cyrillic too", {File(L"A.TXT"), File(L"b.lnk"), File(L"c.txt"), File(L"д.txt")},
         {{}, {{0, 0}, {3, 3}}, {}}},
        {"listed in another order", {File(L"Д.txt"), File(L"c.txt"), File(L"b.lnk"), File(L"a.txt")},
         {{}, {}, {}}},
    };
    for (const auto& c : cases) {
        const RowChanges changes = CompareRow(row, c.listing);
        EXPECT_EQ(changes.gone, c.expected.gone) << c.what;
        EXPECT_EQ(changes.changed, c.expected.changed) << c.what;
        EXPECT_EQ(changes.added, c.expected.added) << c.what;
    }
}

TEST(DisplayName, CutsOnlyLnkPifAndUrlInAnyCase) {
    const std::pair<std::wstring, std::wstring> names[] = {
        {L"Readme.txt", L"Readme.txt"}, {L"Блокнот.lnk", L"Блокнот"}, {L"Site.URL", L"Site"},
        {L"Run.Pif", L"Run"},           {L"Tool.lnk2", L"Tool.lnk2"}, {L".lnk", L".lnk"},
    };
    for (const auto& [file, shown] : names) EXPECT_EQ(DisplayName(file), shown);
}

struct IconRowTest : testing::Test {
    TempFolder folder;
    FakeArea area;
    IconRow row{area, nullptr, folder.Path()};

    std::vector<std::wstring> Tooltips() const {
        std::vector<std::wstring> tips;
        for (const Element& element : row.Elements()) tips.push_back(area.icons.at(element.id));
        return tips;
    }
    std::vector<std::wstring> Log() { return std::exchange(area.log, {}); }
};

TEST_F(IconRowTest, RebuildShowsEveryVisibleFileInFolderOrderWithIdsThatFollowTheNames) {
    row.ShowMainIcon();
    row.Rebuild();
    EXPECT_EQ(area.balloons, std::vector<std::wstring>{L"Нет ни одного элемента для вывода в трэй. Вы можете "
                                                       L"добавлять файлы или ярлыки в каталог \"" +
                                                       folder.Path() + L"\", тогда их иконки появятся здесь."});
    for (const wchar_t* name : {L"b.txt", L"a.lnk", L"hidden.txt", L"c.url"}) folder.Write(name);
    SetFileAttributesW((folder / L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryW((folder / L"subfolder").c_str(), nullptr);
    row.Rebuild();
    EXPECT_EQ(Tooltips(), (std::vector<std::wstring>{L"a", L"b.txt", L"c"}));
    EXPECT_EQ(area.icons.at(IconRow::kMainIconId), L"Vimbrel");

    std::map<std::wstring, UINT> ids;
    for (const Element& element : row.Elements()) ids[element.file.name] = element.id;
    // Another row over the same files, listed in another order once a file
    // comes and goes: the same file, the same id.
    DeleteFileW((folder / L"a.lnk").c_str());
    folder.Write(L"a.lnk");
    FakeArea otherArea;
    IconRow other{otherArea, nullptr, folder.Path()};
    other.Rebuild();
    for (const Element& element : other.Elements()) EXPECT_EQ(element.id, ids.at(element.file.name));
}

TEST_F(IconRowTest, UpdateTouchesOnlyTheIconsOfFilesThatChanged) {
    for (int i = 0; i < 50; ++i) folder.Write(L"file " + std::to_wstring(i) + L".txt");
    row.Rebuild();
    ASSERT_EQ(row.Elements().size(), 50u);
    const UINT third = row.Elements()[2].id;
    Log();

    folder.Write(L"new.txt");
    row.Update();
    ASSERT_EQ(row.Elements().size(), 51u);
    EXPECT_EQ(row.Elements().back().file.name, L"new.txt") << "a new file joins the end of the row";
    EXPECT_EQ(Log(), std::vector<std::wstring>{L"add " + std::to_wstring(row.Elements().back().id)});

    DeleteFileW(row.Elements()[2].path.c_str());
    row.Update();
    EXPECT_EQ(Log(), std::vector<std::wstring>{L"remove " + std::to_wstring(third)});
    EXPECT_EQ(row.Find(third), nullptr) << "a click on its id finds nothing";

    const UINT renamed = row.Elements()[0].id;
    // Two steps: Wine renames nothing when only the letter case differs.
    MoveFileW(row.Elements()[0].path.c_str(), (folder / L"elsewhere").c_str());
    MoveFileW((folder / L"elsewhere").c_str(), (folder / L"FILE 0.TXT").c_str());
    row.Update();
    EXPECT_EQ(Log(), std::vector<std::wstring>{L"modify " + std::to_wstring(renamed)});
    EXPECT_EQ(area.icons.at(renamed), L"FILE 0.TXT");
    EXPECT_EQ(row.Find(renamed)->path, folder / L"FILE 0.TXT");
    row.Update();
    EXPECT_TRUE(Log().empty()) << "nothing changed";
}

TEST_F(IconRowTest, AFileWhoseOwnIconCannotBeReadStillGetsAnIcon) {
    // Long enough that the full path passes 260 characters.
    const std::wstring name = std::wstring(250, L'a') + L".txt";
    folder.Write(L"short.txt");
    const std::wstring longPath = L"\\\\?\\" + (folder / name);
    CloseHandle(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    row.Rebuild();
    ASSERT_EQ(row.Elements().size(), 2u);
    for (const Element& element : row.Elements()) EXPECT_NE(element.icon.get(), nullptr) << element.file.name;
    DeleteFileW(longPath.c_str());
}

TEST_F(IconRowTest, AThousandUpdatesLeaveNoIconBehind) {
    folder.Write(L"stays.txt");
    row.Rebuild();
    const auto live = HandleCounter<IconTraits>::live();
    for (int i = 0; i < 1000; ++i) {
        if (i % 2 == 0)
            folder.Write(L"comes and goes.txt", std::string(static_cast<size_t>(i % 7) + 1, 'x'));
        else
            DeleteFileW((folder / L"comes and goes.txt").c_str());
        row.Update();
    }
    EXPECT_EQ(HandleCounter<IconTraits>::live(), live);
    EXPECT_EQ(area.icons.size(), 1u);
}

TEST_F(IconRowTest, RestoreAddsEveryIconAgainAndSaysWhenTheTaskbarRefused) {
    folder.Write(L"a.txt");
    row.ShowMainIcon();
    row.Rebuild();
    area.icons.clear();
    area.refuse = true;
    EXPECT_FALSE(row.Restore());
    area.refuse = false;
    EXPECT_TRUE(row.Restore());
    EXPECT_EQ(area.icons.size(), 2u);
}

}  // namespace

#include "support.h"
#include "tray/icon_row.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

static FileState File(const std::wstring& name, ULONGLONG size = 1, ULONGLONG written = 10, ULONGLONG created = 5) {
    return {name, size, written, created};
}

TEST(CompareRow, FindsWhatIsGoneChangedAndNewByNameExactlyFirstThenAsWindowsFoldsIt) {
    const std::vector<FileState> row = {File(L"a.txt"), File(L"b.lnk"), File(L"c.txt"), File(L"Д.txt")};
    const struct { const char* what; std::vector<FileState> listing; RowChanges expected; } cases[] = {
        {"listed in another order", {File(L"Д.txt"), File(L"c.txt"), File(L"b.lnk"), File(L"a.txt")}, {}},
        {"added", {File(L"a.txt"), File(L"new"), File(L"b.lnk"), File(L"c.txt"), File(L"Д.txt"), File(L"z")},
         {{}, {}, {1, 5}}},
        {"removed", {File(L"b.lnk"), File(L"Д.txt")}, {{0, 2}, {}, {}}},
        {"size, time of last write, replaced by a file of the same name",
         {File(L"a.txt", 2), File(L"b.lnk", 1, 11), File(L"c.txt", 1, 10, 6), File(L"Д.txt")},
         {{}, {{0, 0}, {1, 1}, {2, 2}}, {}}},
        {"letter case only", {File(L"A.TXT"), File(L"b.lnk"), File(L"c.txt"), File(L"д.txt")},
         {{}, {{0, 0}, {3, 3}}, {}}},
        {"twins in a case-sensitive folder",
         {File(L"A.TXT"), File(L"b.lnk"), File(L"C.TXT"), File(L"c.txt"), File(L"Д.TXT"), File(L"Д.txt")},
         {{}, {{0, 0}}, {2, 4}}},
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
    std::shared_ptr<GatedIcons> icons = std::make_shared<GatedIcons>();
    UniqueWindow owner{CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    IconRow row{area, owner.get(), folder.Path(), icons, WM_APP};

    void Show(const std::vector<FileState>& listing, bool anew = false) {
        row.Apply(listing, anew);
        while (row.Step()) {
        }
    }
    std::map<std::wstring, UINT> Ids(const IconRow& of) const {
        std::map<std::wstring, UINT> ids;
        for (const Element& element : of.Elements()) ids.emplace(element.file.name, element.id);
        return ids;
    }
    // Until the icon worker says that readings wait.
    bool Read() { return Posted(owner.get(), WM_APP); }
};

TEST_F(IconRowTest, AnUpdateTouchesOnlyTheIconsOfFilesThatChangedAndNewOnesJoinTheEnd) {
    std::vector<FileState> listing;
    for (int i = 0; i < 50; ++i) listing.push_back(File(L"file " + std::to_wstring(i) + L".txt"));
    Show(listing);
    const std::wstring first = std::to_wstring(row.Elements()[0].id), third = std::to_wstring(row.Elements()[2].id);
    area.log.clear();
    listing.erase(listing.begin() + 2);
    listing[0] = File(L"FILE 0.TXT");
    listing.push_back(File(L"new.txt"));
    Show(listing);
    EXPECT_EQ(row.Elements().back().file.name, L"new.txt");
    EXPECT_EQ(area.log, (std::vector<std::wstring>{L"remove " + third, L"modify " + first,
                                                   L"add " + std::to_wstring(row.Elements().back().id)}));
    area.log.clear();
    Show(listing);
    EXPECT_TRUE(area.log.empty()) << "nothing changed";
}

TEST_F(IconRowTest, RefreshGivesTheTaskbarEachIconWhereItStandsAndAddsOnlyOneItLost) {
    const std::vector<FileState> listing = {File(L"a.txt"), File(L"b.txt")};
    Show(listing);
    const std::wstring a = std::to_wstring(row.Elements()[0].id), b = std::to_wstring(row.Elements()[1].id);
    area.Remove({owner.get(), row.Elements()[1].id});
    area.log.clear();
    Show(listing, true);
    EXPECT_EQ(area.log, (std::vector<std::wstring>{L"modify " + a, L"modify " + b, L"add " + b}));
}

TEST_F(IconRowTest, EachFileKeepsItsIdForTheSessionAndIdsAtStartDependOnlyOnTheNames) {
    ResetEvent(icons->open.get());  // icons do not matter here
    // Enough names for many of them to want the same 16-bit id.
    std::vector<FileState> all, reversed;
    for (int i = 0; i < 3000; ++i) all.push_back(File(L"file " + std::to_wstring(i)));
    reversed.assign(all.rbegin(), all.rend());
    IconRow other{area, owner.get(), folder.Path(), icons, WM_APP}, later{area, owner.get(), folder.Path(), icons, WM_APP};
    row.Apply(all, false);
    other.Apply(reversed, false);
    EXPECT_EQ(Ids(row), Ids(other)) << "the same names, listed in another order";

    later.Apply({all.begin(), all.begin() + 1500}, false);
    later.Apply(all, false);  // the rest came later
    const auto ids = Ids(later);
    later.Apply(all, true);
    EXPECT_EQ(Ids(later), ids) << "\"Обновить\" moves no id";

    std::set<UINT> given;
    for (const auto& [name, id] : ids) given.insert(id);
    std::vector<FileState> renamed(all.begin() + 1500, all.end());
    for (int i = 0; i < 1500; ++i) renamed.push_back(File(L"renamed " + std::to_wstring(i)));
    later.Apply(renamed, false);
    for (const Element& element : later.Elements()) {
        if (element.file.name.rfind(L"renamed", 0) == 0) {
            EXPECT_EQ(given.count(element.id), 0u) << element.file.name;
        }
    }
}

TEST_F(IconRowTest, AnIconReadForAnOlderStateOfItsFileIsNeverShownAndOneOfAFileKeptOfflineNeverRead) {
    folder.Write(L"a.txt");
    Show({File(L"a.txt")});
    ASSERT_TRUE(Read());
    ResetEvent(icons->open.get());
    Show({File(L"a.txt", 2)});  // changed while its icon was read
    row.TakeReadings();
    EXPECT_FALSE(row.Elements()[0].icon);
    SetEvent(icons->open.get());
    ASSERT_TRUE(Read());
    row.TakeReadings();
    EXPECT_TRUE(row.Elements()[0].icon);
    FileState offline = File(L"offline.txt");
    offline.attributes = FILE_ATTRIBUTE_OFFLINE;  // reading it would fetch it
    Show({File(L"a.txt", 2), offline});
    EXPECT_FALSE(row.Elements()[1].reading);
}

TEST(ShortcutKeys, HoldEachShortcutsKeyUntilItChangesOrGoesAndSayWhenAnotherProgramHasIt) {
    const UniqueWindow mine(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    const UniqueWindow other(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    // Whether another program could have the key now.
    const auto free = [&](UINT modifiers, UINT key) {
        return RegisterHotKey(other.get(), 1, modifiers, key) && UnregisterHotKey(other.get(), 1);
    };
    ShortcutKeys keys(mine.get());
    const WORD ctrlAltK = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), shiftF9 = MAKEWORD(VK_F9, HOTKEYF_SHIFT);
    EXPECT_TRUE(keys.Set(1, ctrlAltK) && !free(MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_TRUE(keys.Set(1, shiftF9) && free(MOD_CONTROL | MOD_ALT, 'K') && !free(MOD_SHIFT, VK_F9)) << "changed";
    EXPECT_TRUE(keys.Set(1, 0) && free(MOD_SHIFT, VK_F9)) << "gone";
    RegisterHotKey(other.get(), 2, MOD_SHIFT, VK_F9);
    EXPECT_FALSE(keys.Set(2, shiftF9)) << "another program's";
    EXPECT_EQ(HotkeyName(ctrlAltK), L"Ctrl+Alt+K");
}

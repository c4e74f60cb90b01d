#include "support.h"
#include "tray/icon_row.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>

static FileState File(const std::wstring& name, ULONGLONG size = 1, ULONGLONG written = 10, ULONGLONG created = 5,
                      ULONGLONG index = 0) {
    return {name, size, written, created, 0, 1, index};
}

TEST(CompareRow, FindsWhatIsGoneChangedAndNewByNameExactlyFirstThenAsWindowsFoldsItThenByTheFilesIndex) {
    const std::vector<FileState> row = {File(L"a.txt"), File(L"b.lnk"), File(L"c.txt", 1, 10, 5, 7), File(L"Д.txt")};
    const FileState c7 = row[2];
    const std::tuple<const char*, std::vector<FileState>, RowChanges> cases[] = {
        {"listed in another order", {File(L"Д.txt"), c7, File(L"b.lnk"), File(L"a.txt")}, {}},
        {"added", {File(L"a.txt"), File(L"new"), File(L"b.lnk"), c7, File(L"Д.txt"), File(L"z")}, {{}, {}, {1, 5}}},
        {"removed", {File(L"b.lnk"), File(L"Д.txt")}, {{0, 2}, {}, {}}},
        {"size, time of last write, replaced by a file of the same name",
         {File(L"a.txt", 2), File(L"b.lnk", 1, 11), File(L"c.txt", 1, 10, 6, 7), File(L"Д.txt")},
         {{}, {{0, 0}, {1, 1}, {2, 2}}, {}}},
        {"letter case only", {File(L"A.TXT"), File(L"b.lnk"), c7, File(L"д.txt")}, {{}, {{0, 0}, {3, 3}}, {}}},
        {"twins in a case-sensitive folder",
         {File(L"A.TXT"), File(L"b.lnk"), File(L"C.TXT"), c7, File(L"Д.TXT"), File(L"Д.txt")},
         {{}, {{0, 0}}, {2, 4}}},
        {"renamed in place",
         {File(L"a.txt"), File(L"b.lnk"), File(L"d.txt", 1, 10, 5, 7), File(L"Д.txt")},
         {{}, {{2, 2}}, {}}},
    };
    for (const auto& [what, listing, expected] : cases) {
        const RowChanges changes = CompareRow(row, listing);
        EXPECT_EQ(changes.gone, expected.gone) << what;
        EXPECT_EQ(changes.changed, expected.changed) << what;
        EXPECT_EQ(changes.added, expected.added) << what;
    }
}

struct IconRowTest : testing::Test {
    TempFolder folder;
    FakeArea area;
    std::shared_ptr<GatedIcons> icons = std::make_shared<GatedIcons>();
    UniqueWindow owner = MessageWindow();
    IconRow row{area, owner.get(), folder.Path(), icons, WM_APP};

    void Show(const std::vector<FileState>& listing, bool anew = false) {
        row.Apply(listing, anew);
        while (row.Step()) continue;
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
    area.Remove({owner.get(), row.Elements()[1].id});
    std::vector<std::wstring> refreshed;  // each icon given again where it stands, only the lost one added
    for (const Element& element : row.Elements()) refreshed.push_back(L"modify " + std::to_wstring(element.id));
    refreshed.insert(refreshed.begin() + 2, L"add " + std::to_wstring(row.Elements()[1].id));
    area.log.clear();
    Show(listing, true);
    EXPECT_EQ(area.log, refreshed) << "«Обновить»";
}

TEST_F(IconRowTest, EachFileKeepsItsIdForGoodWhateverCameOrWentAndUnderItsNewName) {
    ResetEvent(icons->open.get());  // icons do not matter here
    const std::wstring book = folder / L"ids.txt";
    // Enough names for many of them to want the same 16-bit id.
    std::vector<FileState> all;
    for (ULONGLONG i = 0; i < 2400; ++i) all.push_back(File(L"file " + std::to_wstring(i), 1, 10, 5, i + 1));
    std::map<std::wstring, UINT> ids;
    {
        IconRow first{area, owner.get(), folder.Path(), icons, WM_APP, book};
        first.Apply({all.begin() + 1200, all.end()}, false);
        first.Apply(all, false);  // the rest came later
        ids = Ids(first);
        first.Apply(all, true);
        EXPECT_EQ(Ids(first), ids) << "\"Обновить\" moves no id";
    }
    IconRow again{area, owner.get(), folder.Path(), icons, WM_APP, book};
    again.Apply({all.rbegin(), all.rend()}, false);
    EXPECT_EQ(Ids(again), ids) << "started again, with the folder listed in another order";
    all[0].name = L"renamed";
    again.Apply(all, false);
    const Element* renamed = again.Find(ids[L"file 0"]);
    EXPECT_TRUE(renamed && renamed->file.name == L"renamed") << "renamed in place";
    for (ULONGLONG i = all.size(); i <= IconRow::kMaxElements; ++i) all.push_back(File(L"more " + std::to_wstring(i)));
    again.Apply(all, false);
    while (again.Step()) continue;
    EXPECT_EQ(area.icons[0], L"Vimbrel\nПоказаны не все файлы: значков не больше 2500") << "one file too many";
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

TEST_F(IconRowTest, NothingFromTheInternetIsLookedIntoAndAShareIsAskedAgainOnlyWhenThereIsNews) {
    folder.Write(L"downloaded.txt:Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
    EXPECT_FALSE(ShellFileIcons().Read(folder.Write(L"downloaded.txt"), 16).icon) << "its type's icon stays";
    EXPECT_TRUE(ShellFileIcons().Read(folder.Write(L"local.txt"), 16).icon);
    std::atomic<HWND> made = nullptr;  // as the shell may make one on the worker's thread
    icons->whileReading = [&] {
        made = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    };
    icons->onShareOutOfReach = {L"share.lnk"};
    Show({File(L"share.lnk")});
    ASSERT_TRUE(Read());
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(made, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &answer), 0u)
        << "the worker pumps as it waits";
    row.TakeReadings();
    row.RetryReadings(false);
    EXPECT_TRUE(!row.OutOfReach() && !row.Elements()[0].reading) << "never on a timer";
    row.RetryReadings(true);
    EXPECT_TRUE(row.Elements()[0].reading) << "the network changed";
}

TEST(ShortcutKeys, TakeOnlyKeysWithCtrlOrAltAndHandAKeyOnWhenTheElementHoldingItLetsGo) {
    const UniqueWindow mine = MessageWindow(), other = MessageWindow();
    // Whether another program could have the key now.
    const auto free = [&](UINT modifiers, UINT key) {
        return RegisterHotKey(other.get(), 1, modifiers, key) && UnregisterHotKey(other.get(), 1);
    };
    ShortcutKeys keys(mine.get());
    const WORD ctrlAltK = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT),
               ctrlShiftF9 = MAKEWORD(VK_F9, HOTKEYF_CONTROL | HOTKEYF_SHIFT);
    keys.Set(1, ctrlAltK);
    EXPECT_TRUE(keys.StateOf(1) == KeyState::Registered && !free(MOD_CONTROL | MOD_ALT, 'K'));
    keys.Set(1, ctrlShiftF9);
    EXPECT_TRUE(free(MOD_CONTROL | MOD_ALT, 'K') && !free(MOD_CONTROL | MOD_SHIFT, VK_F9)) << "changed";
    keys.Set(1, 0);
    const std::pair<WORD, UINT> plain[] = {
        {'K', 0}, {MAKEWORD('K', HOTKEYF_SHIFT), MOD_SHIFT}, {VK_SPACE, 0}, {VK_F5, 0}, {VK_RETURN, 0}};
    for (const auto& [hotkey, modifiers] : plain) {
        keys.Set(2, hotkey);
        EXPECT_TRUE(keys.StateOf(2) == KeyState::Plain && free(modifiers, LOBYTE(hotkey))) << hotkey;
    }
    RegisterHotKey(other.get(), 2, MOD_CONTROL | MOD_SHIFT, VK_F9);
    keys.Set(3, ctrlShiftF9);
    EXPECT_EQ(keys.StateOf(3), KeyState::Program);
    keys.Set(4, ctrlAltK), keys.Set(5, ctrlAltK), keys.Set(6, ctrlAltK | (HOTKEYF_EXT << 8));
    EXPECT_TRUE(keys.StateOf(5) == KeyState::Element && keys.HolderOf(5) == 4u && keys.HolderOf(6) == 4u);
    const std::vector<UINT> changed = keys.Set(4, 0);
    EXPECT_EQ(std::set<UINT>(changed.begin(), changed.end()), (std::set<UINT>{5, 6})) << "their tooltips change";
    EXPECT_TRUE(keys.StateOf(5) == KeyState::Registered && keys.HolderOf(6) == 5u && !free(MOD_CONTROL | MOD_ALT, 'K'))
        << "the first that waited has it now";
    EXPECT_EQ(HotkeyName(ctrlAltK), L"Ctrl+Alt+K");
}

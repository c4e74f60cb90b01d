#include "base/error.h"
#include "base/program.h"
#include "base/paths.h"
#include "base/strings.h"
#include "environment/elements_folder.h"
#include "environment/icon_ids.h"
#include "environment/library_search.h"
#include "environment/icon_promotion.h"
#include "environment/options.h"
#include "environment/process_environment.h"
#include "environment/single_instance.h"
#include "environment/start_with_windows.h"
#include "support.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

TEST(ElementsFolder, MakesWhatIsMissingAndStopsWithTheFullPathWhenALevelCannotBeMade) {
    TempFolder appData;
    FakeUi ui;
    const std::wstring folder = appData / L"Quenwald\\Vimbrel";
    EXPECT_EQ(PrepareElementsFolder(appData.Path(), ui), folder) << "both levels made";
    RemoveDirectoryW(folder.c_str());
    appData.Write(L"Quenwald\\Vimbrel");
    EXPECT_FALSE(PrepareElementsFolder(appData.Path(), ui)) << "a file in the way";
    EXPECT_EQ(ui.boxes.at(0), L"Не удалось создать каталог \"" + folder + L"\". Продолжение не возможно.");
    EXPECT_THROW(PrepareElementsFolder(L"", ui), Error) << "no Application Data folder";
}

static constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static constexpr wchar_t kApproved[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

static void Put(const wchar_t* key, const wchar_t* name, DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, text.c_str(), static_cast<DWORD>(text.size() * 2 + 2));
}

TEST(IconIdBook, KeepsEachNamesIdOverRestartsAndRenamesAndGivesAgainOnlyIdsOfNamesGoneLong) {
    TempFolder folder;
    ULONGLONG now = 1000;
    const auto clock = [&] { return now; };
    // The first two want the same id; the next two fold alike.
    const std::vector<std::wstring> names = {L"file 615.txt", L"file 545.txt", L"Twin.txt", L"twin.txt", L"old.txt"};
    std::map<std::wstring, UINT> ids;
    {
        IconIdBook book(folder / L"ids.txt", clock);
        for (const std::wstring& name : names) ids[name] = book.Take(name);
        book.Rename(L"old.txt", L"new.txt");
        book.Save();
    }
    IconIdBook book(folder / L"ids.txt", clock);
    for (auto name = names.rbegin() + 1; name != names.rend(); ++name) EXPECT_EQ(book.Take(*name), ids[*name]) << *name;
    EXPECT_EQ(book.Take(L"NEW.TXT"), ids[L"old.txt"]) << "renamed in place, and again while not running";
    EXPECT_EQ(std::set<UINT>({ids[L"file 615.txt"], ids[L"file 545.txt"], ids[L"Twin.txt"], ids[L"twin.txt"]}).size(),
              4u);
    for (int i = 0; book.Take(L"filler " + std::to_wstring(i)) != 0; ++i) continue;  // every id taken
    book.Release(L"file 615.txt");
    now += IconIdBook::kReuseAfterSeconds;
    book.Release(L"file 545.txt");
    EXPECT_EQ(book.Take(L"first new"), ids[L"file 615.txt"]) << "the one gone longest";
    EXPECT_EQ(book.Take(L"second new"), 0u) << "gone just now: a click for it may still come";
}

TEST(Options, AValueOfAnotherTypeReadsAsItsDefaultAndOnlyAChangeIsWritten) {
    const auto savedOptions = SaveRegistryKey(L"Software\\Quenwald");
    Put(program::kOptionsKey, L"Anti-Hide", REG_SZ, L"0");
    Put(program::kOptionsKey, L"Enable Anti-Hide on TS", REG_BINARY, L"\x0001");
    EXPECT_TRUE(LoadOptions().antiHide && !LoadOptions().antiHideInRemoteSession);
    SaveOptions({false, true});
    MakeReadOnly(program::kOptionsKey);
    EXPECT_NO_THROW(SaveOptions({false, true})) << "nothing changed, so nothing is written";
    EXPECT_THROW(SaveOptions({false, false}), Error);
}

TEST(StartWithWindows, CountsOnlyAValueThatStartsThisVeryFileAndThatTheStartupPageLeftOnAndSaysWhyNot) {
    const auto savedRun = SaveRegistryKey(kRun), savedApproved = SaveRegistryKey(kApproved);
    const std::wstring self = program::Path(), quoted = L"\"" + self + L"\"";
    Put(kRun, program::kGuid, REG_SZ, quoted);
    for (const BYTE first : {BYTE{2}, BYTE{6}, BYTE{3}, BYTE{7}}) {  // as Task Manager writes it: on, on, off, off
        Put(kApproved, program::kGuid, REG_BINARY, std::wstring(5, first));  // twelve bytes, as written there
        EXPECT_EQ(StartsWithWindows(self), first == 2 || first == 6) << int{first};
    }
    SetStartWithWindows(self, true);
    EXPECT_TRUE(StartsWithWindows(self)) << "ticking switches it back on";
    // The value, its type, whether it counts.
    const std::tuple<std::wstring, DWORD, bool> values[] = {{quoted, REG_SZ, true},
                                                            {self, REG_SZ, true},
                                                            {FoldCase(quoted), REG_SZ, true},
                                                            {quoted + L" /tray", REG_SZ, true},
                                                            {quoted, REG_EXPAND_SZ, true},
                                                            {self + L".bak", REG_SZ, false},
                                                            {L"\"C:\\other\\Vimbrel.exe\"", REG_SZ, false},
                                                            {quoted, REG_BINARY, false}};
    for (const auto& [value, type, counts] : values) {
        Put(kRun, program::kGuid, type, value);
        EXPECT_EQ(StartsWithWindows(self), counts) << value << " " << type;
    }
    SetStartWithWindows(self, false);
    EXPECT_FALSE(StartsWithWindows(self));
    EXPECT_NO_THROW(SetStartWithWindows(self, false)) << "removing what is gone succeeds";
    MakeReadOnly(kRun);
    EXPECT_THROW(SetStartWithWindows(self, true), Error) << "a refusal says why";
}

TEST(SingleInstance, AnotherCopyRunsWhenItKeepsUsOutOfTheMutex) {
    // No entries at all: an elevated copy's default security, as this one sees it.
    const auto noAccess = Security(L"D:");
    SECURITY_ATTRIBUTES elevated{sizeof elevated, noAccess.get(), FALSE};
    const UniqueHandle otherCopy(CreateMutexW(&elevated, FALSE, (std::wstring(L"Local\\") + program::kGuid).c_str()));
    EXPECT_FALSE(ClaimSingleInstance());
}

TEST(ProcessEnvironment, FollowsTheUsersEnvironmentButKeepsTheDrivesFolders) {
    const auto savedEnvironment = SaveRegistryKey(L"Environment");
    // Names the user's own environment does not hold.
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> rows[] = {
        // a name, before, after
        {L"VIMBREL_TEST_CHANGED", L"old", L"из реестра"},
        {L"VIMBREL_TEST_DELETED", L"old", L"(none)"},
        {L"=V:", L"V:\\", L"V:\\"}};
    for (const auto& [name, before, after] : rows) SetEnvironmentVariableW(name, before);
    Put(L"Environment", L"VIMBREL_TEST_CHANGED", REG_SZ, L"из реестра");
    EXPECT_TRUE(RefreshEnvironment());
    for (const auto& [name, before, after] : rows) {
        wchar_t value[64] = L"(none)";
        GetEnvironmentVariableW(name, value, 64);
        EXPECT_STREQ(value, after) << name;
    }
}

// tests/CMakeLists.txt puts planted.dll beside this program, under a name no system library has.
TEST(LibrarySearch, NoLongerFindsALibraryBesideTheProgram) {
    ASSERT_TRUE(Exists(FolderOf(program::Path()) + L"\\planted.dll"));
    SearchLibrariesInSystemFolderOnly();
    EXPECT_EQ(LoadLibraryW(L"planted.dll"), nullptr);
}

TEST(IconPromotion, PromotesOurRecordsWithoutAChoiceAsExplorerAddsThemAndTakesBackOnlyItsOwn) {
    const auto savedOptions = SaveRegistryKey(L"Software\\Quenwald");
    wchar_t windows[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring records = L"Software\\Quenwald\\NotifyIconSettings\\";
    const std::wstring self = windows + std::wstring(L"\\V\\Vimbrel.exe");
    // As Explorer writes them: the path whole or after a known folder's GUID (the Windows folder here), and the
    // user's choice once made.
    const auto record = [&](const wchar_t* name, const std::wstring& path, std::optional<DWORD> promoted = {}) {
        const std::wstring key = records + name;
        Put(key.c_str(), L"ExecutablePath", REG_SZ, path);
        if (promoted) RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"IsPromoted", REG_DWORD, &*promoted, 4);
    };
    using Values = std::vector<DWORD>;
    const auto promoted = [&] {  // each record's IsPromoted, 9 where it has none
        Values values;
        for (const wchar_t* name : {L"1", L"2", L"3", L"4", L"5", L"6"}) {
            DWORD value = 9, size = 4;
            RegGetValueW(HKEY_CURRENT_USER, (records + name).c_str(), L"IsPromoted", RRF_RT_REG_DWORD, nullptr, &value,
                         &size);
            values.push_back(value);
        }
        return values;
    };
    record(L"1", L"{F38BF404-1D43-42F2-9305-67DE0B28FC23}\\V\\VIMBREL.EXE");
    record(L"2", FoldCase(self));
    record(L"3", self, 0);  // hidden by the user
    record(L"4", self, 1);  // shown by the user
    record(L"5", L"C:\\Other\\Vimbrel.exe");
    const UniqueWindow window = MessageWindow();
    IconPromotion promotion(records, self, window.get(), WM_APP);
    promotion.Promote();
    ASSERT_TRUE(Posted(window.get(), WM_APP)) << "its own changes";
    promotion.Promote();
    record(L"6", self);  // a new file's icon, first shown
    ASSERT_TRUE(Posted(window.get(), WM_APP)) << "a record added later";
    promotion.Promote();
    EXPECT_EQ(promoted(), (Values{1, 1, 0, 1, 9, 1}));
    record(L"2", self, 0);  // hidden by the user since
    promotion.Withdraw();
    EXPECT_EQ(promoted(), (Values{9, 0, 0, 1, 9, 9}));
}

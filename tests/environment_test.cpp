#include "base/error.h"
#include "base/program.h"
#include "base/text.h"
#include "environment/elements_folder.h"
#include "environment/options.h"
#include "environment/start_with_windows.h"
#include "support.h"

#include <gtest/gtest.h>

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

static void Put(const wchar_t* key, const wchar_t* name, DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, text.c_str(), static_cast<DWORD>(text.size() * 2 + 2));
}

TEST(Options, AValueOfAnotherTypeReadsAsItsDefault) {
    const auto savedOptions = SaveRegistryKey(L"Software\\Quenwald");
    Put(program::kOptionsKey, L"Anti-Hide", REG_SZ, L"0");
    Put(program::kOptionsKey, L"Enable Anti-Hide on TS", REG_BINARY, L"\x0001");
    EXPECT_TRUE(LoadOptions().antiHide && !LoadOptions().antiHideInRemoteSession);
}

TEST(StartWithWindows, CountsOnlyAValueThatStartsThisVeryFile) {
    const auto savedRun = SaveRegistryKey(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    const std::wstring self = program::Path(), quoted = L"\"" + self + L"\"";
    ASSERT_TRUE(SetStartWithWindows(self, true) && StartsWithWindows(self));
    ASSERT_TRUE(SetStartWithWindows(self, false) && !StartsWithWindows(self));
    EXPECT_TRUE(SetStartWithWindows(self, false)) << "removing what is gone succeeds";
    const struct { std::wstring value; DWORD type; bool counts; } values[] = {{quoted, REG_SZ, true},        {self, REG_SZ, true},    {FoldCase(quoted), REG_SZ, true},
                  {quoted + L" /tray", REG_SZ, true}, {quoted, REG_EXPAND_SZ, true}, {self + L".bak", REG_SZ, false},
                  {L"\"C:\\other\\Vimbrel.exe\"", REG_SZ, false}, {quoted, REG_BINARY, false}};
    for (const auto& v : values) {
        Put(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", program::kGuid, v.type, v.value);
        EXPECT_EQ(StartsWithWindows(self), v.counts) << v.value << " " << v.type;
    }
}

#include "base/error.h"
#include "base/program.h"
#include "environment/elements_folder.h"
#include "environment/options.h"
#include "environment/start_with_windows.h"
#include "support.h"

#include <gtest/gtest.h>

namespace {

TEST(ElementsFolder, MakesWhatIsMissingAndStopsWithTheFullPathWhenALevelCannotBeMade) {
    TempFolder appData;
    FakeUi ui;
    EXPECT_EQ(PrepareElementsFolder(appData.Path(), ui), appData / L"Quenwald\\Vimbrel") << "both levels";
    RemoveDirectoryW((appData / L"Quenwald\\Vimbrel").c_str());
    EXPECT_EQ(PrepareElementsFolder(appData.Path(), ui), appData / L"Quenwald\\Vimbrel") << "the missing one";
    RemoveDirectoryW((appData / L"Quenwald\\Vimbrel").c_str());
    appData.Write(L"Quenwald\\Vimbrel");
    EXPECT_EQ(PrepareElementsFolder(appData.Path(), ui), std::nullopt) << "a file in the way";
    EXPECT_EQ(ui.boxes, std::vector<std::wstring>{L"Не удалось создать каталог \"" + appData.Path() +
                                                  L"\\Quenwald\\Vimbrel\". Продолжение не возможно."});
    try {
        PrepareElementsFolder(L"", ui);
        ADD_FAILURE() << "no Application Data folder";
    } catch (const Error& error) {
        EXPECT_EQ(ErrorText(error), L"Ошибка 51: SET_ElementsPath == \"\"");
    }
}

struct RegistryTest : testing::Test {
    RegistryTest() { Clean(); }
    ~RegistryTest() override { Clean(); }
    static void Clean() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quenwald");
        SetStartWithWindows(program::Path(), false);
    }
    static void Put(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, data, size);
    }
};

TEST_F(RegistryTest, OptionsComeBackAsStoredAndABrokenValueReadsAsItsDefault) {
    EXPECT_TRUE(LoadOptions().antiHide) << "Anti-Hide starts out on";
    EXPECT_FALSE(LoadOptions().antiHideInRemoteSession);
    SaveOptions({false, true});
    EXPECT_FALSE(LoadOptions().antiHide);
    EXPECT_TRUE(LoadOptions().antiHideInRemoteSession);
    Put(program::kOptionsKey, L"Anti-Hide", REG_SZ, L"0", 4);
    const std::uint64_t wide = 0;
    Put(program::kOptionsKey, L"Enable Anti-Hide on TS", REG_QWORD, &wide, sizeof wide);
    EXPECT_TRUE(LoadOptions().antiHide);
    EXPECT_FALSE(LoadOptions().antiHideInRemoteSession);
}

TEST_F(RegistryTest, StartWithWindowsCountsOnlyAValueThatStartsThisVeryFile) {
    const std::wstring self = program::Path();
    EXPECT_FALSE(StartsWithWindows(self));
    ASSERT_TRUE(SetStartWithWindows(self, true));
    EXPECT_TRUE(StartsWithWindows(self));
    ASSERT_TRUE(SetStartWithWindows(self, false));
    EXPECT_TRUE(SetStartWithWindows(self, false)) << "removing what is gone succeeds";

    constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    std::wstring upper = self;
    CharUpperW(upper.data());
    const struct {
        std::wstring value;
        DWORD type;
        bool counts;
    } values[] = {
        {L"\"" + self + L"\"", REG_SZ, true},      {self, REG_SZ, true},
        {L"\"" + upper + L"\"", REG_SZ, true},     {L"\"" + self + L"\" /tray", REG_SZ, true},
        {L"\"" + self + L"\"", REG_EXPAND_SZ, true}, {L"\"C:\\other\\Vimbrel.exe\"", REG_SZ, false},
        {self + L".bak", REG_SZ, false},
    };
    for (const auto& v : values) {
        Put(kRun, program::kGuid, v.type, v.value.c_str(), static_cast<DWORD>((v.value.size() + 1) * 2));
        EXPECT_EQ(StartsWithWindows(self), v.counts) << v.value << " " << v.type;
    }
    const DWORD number = 1;
    Put(kRun, program::kGuid, REG_DWORD, &number, sizeof number);
    EXPECT_FALSE(StartsWithWindows(self));
}

}  // namespace

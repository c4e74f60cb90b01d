// Start-up's folder and options, against a real temporary Application Data.

#include "app/environment.h"
#include "app/errors.h"
#include "fakes.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

struct EnvironmentTest : testing::Test {
    TempFolder appData{L"Приложения"};  // a path outside any ANSI code page's reach is fine too
    FakeComponents fakes;
    AppState state;

    EnvironmentTest() { fakes.support.appData = appData.Path(); }
    bool Prepare() {
        return PrepareEnvironment(state, fakes.support, fakes.Wire().settings, fakes.ui);
    }
};

TEST_F(EnvironmentTest, FirstRunCreatesBothLevelsAndTakesTheDefaults) {
    ASSERT_TRUE(Prepare());
    EXPECT_EQ(state.SET_ElementsPath, appData.Path() + L"\\Quenwald\\Vimbrel");
    EXPECT_TRUE(IsDirectoryExist(state.SET_ElementsPath));
    EXPECT_TRUE(state.SET_AntiHide);
    EXPECT_FALSE(state.SET_AntiHideOnTS);
    EXPECT_TRUE(fakes.ui.boxes.empty());

    // Before XP the Anti-Hide default is off; an existing folder is simply used.
    state = AppState{};
    fakes.support.winXpOrHigher = false;
    ASSERT_TRUE(Prepare());
    EXPECT_FALSE(state.SET_AntiHide);
}

TEST_F(EnvironmentTest, OnlyTheMissingLevelIsCreated) {
    ASSERT_TRUE(CreateDirectoryW((appData / L"Quenwald").c_str(), nullptr));
    const std::wstring marker = appData.WriteFile(L"Quenwald\\keep.txt");
    ASSERT_TRUE(Prepare());
    EXPECT_TRUE(IsDirectoryExist(state.SET_ElementsPath));
    EXPECT_TRUE(IsFileExist(marker));
}

TEST_F(EnvironmentTest, AFileNamedLikeTheFolderStopsStartUpWithTheExactMessage) {
    ASSERT_TRUE(CreateDirectoryW((appData / L"Quenwald").c_str(), nullptr));
    appData.WriteFile(L"Quenwald\\Vimbrel");
    fakes.settingsValues[L"|Anti-Hide"] = false;

    EXPECT_FALSE(Prepare());
    const std::wstring expectedPath = appData.Path() + L"\\Quenwald\\Vimbrel";
    ASSERT_EQ(fakes.ui.boxes.size(), 1u);
    EXPECT_EQ(fakes.ui.boxes[0].text,
              L"Не удалось создать каталог \"" + expectedPath + L"\". Продолжение не возможно.");
    EXPECT_EQ(fakes.ui.boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(state.SET_ElementsPath, expectedPath);
    EXPECT_FALSE(state.SET_AntiHide) << "options are not read when start-up stops";
}

TEST_F(EnvironmentTest, NoApplicationDataRaisesError51) {
    fakes.support.appData.clear();
    try {
        Prepare();
        FAIL() << "no error raised";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), 51);
        EXPECT_EQ(error.Description(), L"SET_ElementsPath == \"\"");
    }
    EXPECT_TRUE(fakes.ui.boxes.empty());
}

TEST_F(EnvironmentTest, StoredOptionsWinOverTheDefaultsAndSaveWritesBoth) {
    fakes.settingsValues[L"|Anti-Hide"] = false;
    fakes.settingsValues[L"|Enable Anti-Hide on TS"] = true;
    ASSERT_TRUE(Prepare());
    EXPECT_FALSE(state.SET_AntiHide);
    EXPECT_TRUE(state.SET_AntiHideOnTS);

    state.SET_AntiHide = true;
    state.SET_AntiHideOnTS = false;
    fakes.settingsValues.clear();
    SaveSettings(state, fakes.Wire().settings);
    EXPECT_EQ(fakes.settingsValues,
              (std::map<std::wstring, bool>{{L"|Anti-Hide", true}, {L"|Enable Anti-Hide on TS", false}}));
}

}  // namespace

#include "actions/shortcut.h"
#include "base/handles.h"
#include "support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

static std::string Content(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

struct ShortcutTest : testing::Test {
    ComApartment apartment;
    TempFolder elements, targets;
    FakeUi ui;
    std::wstring target = targets.Write(L"Блокнот.exe");
    std::wstring link = elements / L"Блокнот.exe.LNK";

    // The user picks the target, then answers the name prompt and the boxes.
    void Create(std::deque<std::optional<std::wstring>> names, std::deque<int> answers = {}) {
        ui = {};
        ui.chosenFile = target;
        ui.inputAnswers = std::move(names);
        ui.boxAnswers = std::move(answers);
        CreateShortcutInteractive(ui, nullptr, elements.Path());
    }
};

TEST_F(ShortcutTest, OnlyYesReplacesAnExistingFileAndNoAsksForTheNameAgain) {
    // The answer, whether the file was replaced, how many times the name was asked for.
    const std::tuple<int, bool, size_t> cases[] = {
        {IDYES, true, 1}, {IDNO, false, 2}, {IDCANCEL, false, 1}, {IDOK, false, 1}, {0, false, 1}};
    for (const auto& [answer, replaced, namesAsked] : cases) {
        elements.Write(L"Блокнот.exe.LNK", "the user's file");
        Create({L"Блокнот.exe", std::nullopt}, {answer});
        EXPECT_EQ(Content(link) != "the user's file", replaced) << answer;
        EXPECT_EQ(ui.presets, std::vector<std::wstring>(namesAsked, L"Блокнот.exe")) << answer;
    }
}

TEST_F(ShortcutTest, ANameThatIsNoPlainFileInTheFolderIsRefusedOnceAndWritesNothing) {
    for (const wchar_t* name : {L"..\\escape", L"a/b", L"con", L"nul .txt", L"C:x", L"what?", L"a\tb"}) {
        Create({name});
        EXPECT_TRUE(ui.boxes.size() == 1 && ui.boxes[0].rfind(L"Не удалось создать ярлык.\r\n\r\nОшибка 123", 0) == 0)
            << name;
    }
    WIN32_FIND_DATAW entry;
    EXPECT_FALSE(UniqueFind(FindFirstFileW((elements / L"*.lnk").c_str(), &entry))) << "nothing written";
}

TEST_F(ShortcutTest, AFailedSaveOverAnExistingShortcutKeepsItAndSaysSo) {
    elements.Write(L"Блокнот.exe.LNK", "the user's file");
    {
        // Held open by another program, without sharing.
        const UniqueFile locked(CreateFileW(link.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        Create({L"Блокнот.exe"}, {IDYES});
    }
    EXPECT_EQ(Content(link), "the user's file");
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].rfind(L"Не удалось создать ярлык.", 0), 0u);
}

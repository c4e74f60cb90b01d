#include "actions/shortcut.h"
#include "base/handles.h"
#include "support.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>
#include <iterator>

namespace {

std::string Content(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

struct ShortcutTest : testing::Test {
    ComApartment apartment;
    TempFolder elements, targets;
    FakeUi ui;
    std::wstring target = targets.Write(L"Блокнот.exe");
    std::wstring link = elements / L"Блокнот.exe.LNK";

    void Create() {
        ui.chosenFile = target;
        CreateShortcutInteractive(ui, nullptr, elements.Path());
    }
};

TEST_F(ShortcutTest, OnlyYesReplacesAnExistingFileAndNoAsksForTheNameAgain) {
    const struct {
        int answer;
        bool replaced;
        size_t namesAsked;
    } cases[] = {{IDYES, true, 1}, {IDNO, false, 2}, {IDCANCEL, false, 1}, {IDOK, false, 1}, {0, false, 1}};
    for (const auto& c : cases) {
        elements.Write(L"Блокнот.exe.LNK", "the user's file");
        ui = {};
        ui.inputAnswers = {L"Блокнот.exe", std::nullopt};
        ui.boxAnswers = {c.answer};
        Create();
        EXPECT_EQ(Content(link) != "the user's file", c.replaced) << c.answer;
        EXPECT_EQ(ui.presets, std::vector<std::wstring>(c.namesAsked, L"Блокнот.exe")) << c.answer;
    }
}

TEST_F(ShortcutTest, WritesALinkToTheChosenFileStartingInItsFolder) {
    ui.inputAnswers = {L"Блокнот.exe"};
    Create();
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.put_void()));
    ASSERT_HRESULT_SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.put_void()));
    ASSERT_HRESULT_SUCCEEDED(file->Load(link.c_str(), STGM_READ));
    // Wine's GetPath answers through the ANSI code page; the item list keeps the Unicode name.
    PIDLIST_ABSOLUTE items = nullptr;
    shellLink->GetIDList(&items);
    wchar_t path[MAX_PATH] = L"", folder[MAX_PATH] = L"";
    SHGetPathFromIDListW(items, path);
    CoTaskMemFree(items);
    shellLink->GetWorkingDirectory(folder, MAX_PATH);
    EXPECT_EQ(std::wstring(path), target);
    EXPECT_EQ(std::wstring(folder), targets.Path());
    // The show command is the 32-bit value at 0x3C of the link's header.
    EXPECT_EQ(Content(link).at(0x3C), SW_SHOWDEFAULT);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ShortcutTest, ANameThatIsNoPlainFileInTheFolderIsRefusedOnceAndWritesNothing) {
    for (const wchar_t* name : {L"..\\escape", L"a/b", L"con", L"nul .txt", L"C:x", L"what?", L"a\tb"}) {
        ui = {};
        ui.inputAnswers = {name};
        Create();
        ASSERT_EQ(ui.boxes.size(), 1u) << name;
        EXPECT_EQ(ui.boxes[0].rfind(L"Не удалось создать ярлык.\r\n\r\nОшибка 123", 0), 0u) << name;
    }
    WIN32_FIND_DATAW entry;
    const UniqueFind find(FindFirstFileW((elements / L"*.lnk").c_str(), &entry));
    EXPECT_FALSE(find) << "nothing written";
}

TEST_F(ShortcutTest, AFailedSaveOverAnExistingShortcutKeepsItAndSaysSo) {
    elements.Write(L"Блокнот.exe.LNK", "the user's file");
    // Held open by another program, without sharing.
    const UniqueFile locked(CreateFileW(link.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ui.inputAnswers = {L"Блокнот.exe"};
    ui.boxAnswers = {IDYES};
    Create();
    ASSERT_EQ(ui.boxes.size(), 2u);
    const_cast<UniqueFile&>(locked).reset();
    EXPECT_EQ(Content(link), "the user's file");
    EXPECT_EQ(ui.boxes[1].rfind(L"Не удалось создать ярлык.", 0), 0u);
}

}  // namespace

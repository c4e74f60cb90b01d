// "Создать ярлык...": the name dialogue scripted, the shortcut files real,
// read back through the shell's own link object.

#include "actions/shortcut.h"
#include "app/handles.h"
#include "fakes.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

namespace {

struct LinkContents {
    std::wstring target, workingFolder, arguments, iconFile;
    int iconIndex = -1;
    int showCommand = -1;
    bool operator==(const LinkContents&) const = default;
};

void PrintTo(const LinkContents& link, std::ostream* out) {
    *out << testing::PrintToString(std::tie(link.target, link.workingFolder, link.arguments, link.iconFile,
                                            link.iconIndex, link.showCommand));
}

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// What the shell itself reads from a shortcut file; nothing when it is not one.
std::optional<LinkContents> ReadLink(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return std::nullopt;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return std::nullopt;
    if (FAILED(file->Load(path.c_str(), STGM_READ))) return std::nullopt;

    LinkContents contents;
    wchar_t buffer[MAX_PATH * 4] = {};
    constexpr int kSize = static_cast<int>(std::size(buffer));
    // The target from the item list, which holds the names in Unicode. Wine
    // answers GetPath from an ANSI copy, where Cyrillic turns into '?'.
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
        if (SHGetPathFromIDListW(items, buffer)) contents.target = buffer;
        CoTaskMemFree(items);
    }
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, kSize))) contents.workingFolder = buffer;
    if (SUCCEEDED(link->GetArguments(buffer, kSize))) contents.arguments = buffer;
    if (SUCCEEDED(link->GetIconLocation(buffer, kSize, &contents.iconIndex))) contents.iconFile = buffer;
    // Straight from the file's header (offset 0x3C): Wine's loader ignores
    // the field and answers SW_SHOWNORMAL whatever was saved.
    const std::string bytes = ReadWholeFile(path);
    if (bytes.size() >= 0x40) std::memcpy(&contents.showCommand, bytes.data() + 0x3C, sizeof contents.showCommand);
    return contents;
}

// The icon location a shortcut without one of its own reads back with. Wine's
// Resolve records the target's own path as icon; Windows leaves it empty.
std::wstring NoIconOfItsOwn(const std::wstring& target) { return UnderWine() ? target : std::wstring(); }

// The names in a folder, as the file system spells them, sorted.
std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

using NameList = std::vector<std::wstring>;

struct ShortcutTest : testing::Test {
    TempFolder files{L"targets"};
    TempFolder elements{L"elements"};
    FakeComponents fakes;
    AppState state;
    std::wstring target = files.WriteFile(L"notes.txt", "hello");

    ShortcutTest() {
        state.SET_ElementsPath = elements.Path();
        fakes.fileDialogs.answer = target;
    }
    void Run(std::initializer_list<std::optional<std::wstring>> answers) {
        fakes.ui.inputAnswers.assign(answers.begin(), answers.end());
        CreateShortcutInteractive(ShortcutContext{reinterpret_cast<HWND>(0x1234), state, fakes.fileDialogs, fakes.ui,
                                                  fakes.errorReporter});
    }
};

TEST_F(ShortcutTest, ThePresetNameGetsLnkAppendedToTheWholeOfIt) {
    Run({L"notes.txt"});
    EXPECT_EQ(fakes.fileDialogs.log, (NameList{L"filter Все файлы|*.*", L"flags 0", L"owner", L"show"}));
    ASSERT_EQ(fakes.ui.inputs.size(), 1u);
    EXPECT_EQ(fakes.ui.inputs[0].preset, L"notes.txt");
    EXPECT_EQ(fakes.ui.inputs[0].title, L"Oskerin - Vimbrel");
    EXPECT_EQ(fakes.ui.inputs[0].prompt,
              L"Введите имя файла для ярлыка. Этот ярлык будет помещён в каталог с остальными ярлыками, и будет "
              L"выведен в трей как и все остальные. Расширение .LNK дописывать не нужно.");
    EXPECT_EQ(ReadLink(elements / L"notes.txt.LNK"),
              (LinkContents{target, files.Path(), L"", NoIconOfItsOwn(target), 0, SW_SHOWDEFAULT}));
    EXPECT_TRUE(fakes.ui.boxes.empty());
    EXPECT_TRUE(fakes.errorReporter.messages.empty());

    // A typed ".lnk" is part of the name: the extension goes on again.
    Run({L"Мой ярлык.lnk"});
    EXPECT_EQ(Names(elements.Path()), (NameList{L"notes.txt.LNK", L"Мой ярлык.lnk.LNK"}));
    EXPECT_TRUE(ReadLink(elements / L"Мой ярлык.lnk.LNK"));
}

TEST_F(ShortcutTest, NoAsksAgainWithTheChosenFilesNameEveryTime) {
    elements.WriteFile(L"dup.LNK", "old");
    fakes.ui.boxAnswers = {IDNO, IDNO, IDNO};
    Run({L"dup", L"dup", L"dup", L"fresh"});

    ASSERT_EQ(fakes.ui.inputs.size(), 4u);
    for (const auto& asked : fakes.ui.inputs) EXPECT_EQ(asked.preset, L"notes.txt");
    ASSERT_EQ(fakes.ui.boxes.size(), 3u);
    for (const auto& box : fakes.ui.boxes) {
        EXPECT_EQ(box.text, L"Файл \"dup.LNK\" уже существует. Заменить?\r\n\r\n"
                            L"Да     - Заменить файл.\r\n"
                            L"Нет    - Выбрать другое имя.\r\n"
                            L"Отмена - Не создавать ярлык.");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    }
    EXPECT_EQ(ReadWholeFile(elements / L"dup.LNK"), "old");
    EXPECT_EQ(Names(elements.Path()), (NameList{L"dup.LNK", L"fresh.LNK"}));
    EXPECT_TRUE(ReadLink(elements / L"fresh.LNK"));
}

TEST_F(ShortcutTest, CancelAnEmptyNameOrNoFileEndSilently) {
    elements.WriteFile(L"dup.LNK", "old");
    fakes.ui.boxAnswers = {IDCANCEL};
    Run({L"dup", L"never asked"});
    EXPECT_EQ(fakes.ui.inputs.size(), 1u) << "Cancel ends the command";
    Run({L""});
    Run({std::nullopt});
    EXPECT_EQ(fakes.ui.inputs.size(), 3u);
    EXPECT_EQ(fakes.ui.boxes.size(), 1u);

    fakes.fileDialogs.answer.reset();
    Run({L"not asked"});
    EXPECT_EQ(fakes.ui.inputs.size(), 3u) << "no name is asked when no file was chosen";

    EXPECT_EQ(ReadWholeFile(elements / L"dup.LNK"), "old");
    EXPECT_EQ(Names(elements.Path()), NameList{L"dup.LNK"});
    EXPECT_TRUE(fakes.errorReporter.messages.empty());
}

TEST_F(ShortcutTest, YesOrAnyOtherAnswerReplacesTheExistingFile) {
    elements.WriteFile(L"dup.LNK", "old");
    elements.WriteFile(L"other.LNK", "old");
    fakes.ui.boxAnswers = {IDYES, IDOK};
    Run({L"dup"});
    Run({L"other"});
    EXPECT_EQ(fakes.ui.boxes.size(), 2u);
    for (const wchar_t* name : {L"dup.LNK", L"other.LNK"})
        EXPECT_EQ(ReadLink(elements / name).value_or(LinkContents{}).target, target) << name;
    EXPECT_EQ(Names(elements.Path()), (NameList{L"dup.LNK", L"other.LNK"}));
}

TEST_F(ShortcutTest, CreateShortcutWritesWhatItIsGiven) {
    // Cyrillic everywhere: the link object is used through its Unicode side.
    const TempFolder folder{L"Папка"};
    const std::wstring cyrillic = folder.WriteFile(L"Отчёт за год.txt");
    CreateShortcut(fakes.errorReporter, elements / L"Ярлык отчёта.LNK", cyrillic, folder.Path(), L"", L"", 0, 10);
    EXPECT_EQ(ReadLink(elements / L"Ярлык отчёта.LNK"),
              (LinkContents{cyrillic, folder.Path(), L"", NoIconOfItsOwn(cyrillic), 0, 10}));

    CreateShortcut(fakes.errorReporter, elements / L"full.LNK", target, files.Path(), L"/x \"y\"", cyrillic, 3,
                   SW_SHOWMINNOACTIVE);
    EXPECT_EQ(ReadLink(elements / L"full.LNK"),
              (LinkContents{target, files.Path(), L"/x \"y\"", cyrillic, 3, SW_SHOWMINNOACTIVE}));
    EXPECT_TRUE(fakes.errorReporter.messages.empty());
}

TEST_F(ShortcutTest, EmptyPathsWriteNothingAndFailuresReportOnce) {
    CreateShortcut(fakes.errorReporter, elements / L"a.LNK", L"", files.Path(), L"", L"", 0, 10);
    CreateShortcut(fakes.errorReporter, L"", target, files.Path(), L"", L"", 0, 10);
    EXPECT_TRUE(Names(elements.Path()).empty());
    EXPECT_TRUE(fakes.errorReporter.messages.empty());

    // A folder that is not there: the save fails, once, and says so.
    CreateShortcut(fakes.errorReporter, elements / L"missing\\a.LNK", target, files.Path(), L"", L"", 0, 10);
    EXPECT_EQ(fakes.errorReporter.messages, NameList{L"Не удалось создать ярлык."});
    EXPECT_LT(fakes.errorReporter.numbers.at(0), 0) << "the HRESULT of the failed step";
    EXPECT_TRUE(Names(elements.Path()).empty());
}

TEST_F(ShortcutTest, UnsafeNamesAreReportedAndWriteNothingAnywhere) {
    // The elements folder two levels down, so "..\..\x" has somewhere to go.
    const TempFolder root{L"root"};
    ASSERT_TRUE(CreateDirectoryW((root / L"a").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((root / L"a\\b").c_str(), nullptr));
    state.SET_ElementsPath = root / L"a\\b";

    size_t reports = 0;
    for (const wchar_t* name : {L"..\\..\\x", L"a/b", L"con", L"x:y", L"a?", L"Lpt1.txt", L"tab\there"}) {
        Run({name});
        EXPECT_EQ(fakes.errorReporter.messages, NameList(++reports, L"Не удалось создать ярлык.")) << name;
        EXPECT_EQ(fakes.ui.inputs.size(), reports) << "no second prompt after " << name;
    }
    EXPECT_TRUE(fakes.ui.boxes.empty());
    EXPECT_TRUE(Names(root / L"a\\b").empty());
    EXPECT_EQ(Names(root / L"a"), NameList{L"b"});
    EXPECT_EQ(Names(root.Path()), NameList{L"a"});
    EXPECT_EQ(Names(files.Path()), NameList{L"notes.txt"});
}

TEST(ShortcutName, PlainFileNamesOnly) {
    for (const wchar_t* good : {L"notes.txt.LNK", L"Ярлык.LNK", L"console.LNK", L"COM10.LNK", L"nul-x.LNK",
                                L"..LNK", L" leading blank.LNK", L"a.b.c.LNK"})
        EXPECT_TRUE(IsUsableShortcutName(good)) << good;
    for (const wchar_t* bad : {L"", L"x\\y.LNK", L"x/y.LNK", L"CON.LNK", L"con.txt.LNK", L"nul .LNK", L"Com9.LNK",
                               L"lpt1", L"AUX", L"conin$.LNK", L"a<b.LNK", L"a>b.LNK", L"a\"b.LNK", L"a|b.LNK",
                               L"a*.LNK", L"a\x01.LNK", L"a\x1f.LNK", L"ends in dot.", L"ends in blank "})
        EXPECT_FALSE(IsUsableShortcutName(bad)) << bad;
}

}  // namespace

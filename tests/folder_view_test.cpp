// "Открыть каталог": the hint folder and its Desktop.INI on a real disk, the
// shell's answer faked.

#include "app/folder_view.h"
#include "fakes.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr wchar_t kHintFolder[] = L"Добавляйте ярлыки и файлы сюда";

std::wstring ExpectedText(const std::wstring& programPath) {
    return L"[.ShellClassInfo]\r\n"
           L"IconFile      = " + programPath + L"\r\n"
           L"IconIndex     = -70\r\n"
           L"ConfirmFileOp = 0\r\n"
           L"InfoTip       = В этом каталоге хранятся ярлыки и файлы, которые будут выводиться в трее.\r\n";
}

// The file as UTF-16LE with its byte-order mark; "<no BOM>" when it has none.
std::wstring DecodedText(const std::wstring& path) {
    const std::string bytes = ReadWholeFile(path);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return L"<no BOM>";
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
    return text;
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool Has(DWORD attributes, DWORD wanted) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & wanted) == wanted;
}

// Windows keeps the read-only mark on a folder (the shell reads it as "has
// a Desktop.INI"); Wine accepts it and drops it.
bool KeepsReadOnlyFolders(const TempFolder& scratch) {
    const std::wstring probe = scratch / L"read-only probe";
    CreateDirectoryW(probe.c_str(), nullptr);
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    return Has(Attributes(probe), FILE_ATTRIBUTE_READONLY);  // the scratch folder's removal clears it
}

struct FolderViewTest : testing::Test {
    TempFolder elements{L"elements"};
    FakeComponents fakes;
    AppState state;
    std::wstring hintFolder = elements / kHintFolder;
    std::wstring hintFile = hintFolder + L"\\Desktop.INI";

    FolderViewTest() { state.SET_ElementsPath = elements.Path(); }
    ~FolderViewTest() override { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }
    void Open() { OpenElementsFolder(state, fakes.support, fakes.shell, fakes.ui); }
};

TEST_F(FolderViewTest, EveryUseWritesTheHintFileAfreshThenOpensTheElementsFolder) {
    fakes.support.exePath = L"C:\\Программы\\Vimbrel\\Vimbrel.exe";
    Open();
    EXPECT_TRUE(Has(Attributes(hintFolder), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
    if (KeepsReadOnlyFolders(elements)) {
        EXPECT_TRUE(Has(Attributes(hintFolder), FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_TRUE(Has(Attributes(hintFile), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(DecodedText(hintFile), ExpectedText(fakes.support.exePath));
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"open " + elements.Path()});
    EXPECT_EQ(fakes.shell.priorityDuringCall, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_TRUE(fakes.ui.boxes.empty());

    // Later uses write the program's current path over the read-only file.
    const std::string first = ReadWholeFile(hintFile);
    fakes.support.exePath = L"D:\\Moved\\Vimbrel.exe";
    Open();
    EXPECT_EQ(DecodedText(hintFile), ExpectedText(L"D:\\Moved\\Vimbrel.exe"));
    EXPECT_TRUE(Has(Attributes(hintFile), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    fakes.support.exePath = L"C:\\Программы\\Vimbrel\\Vimbrel.exe";
    Open();
    EXPECT_EQ(ReadWholeFile(hintFile), first) << "the file is replaced, never grown";
    EXPECT_EQ(fakes.shell.calls.size(), 3u);
}

TEST_F(FolderViewTest, AReadOnlyOrLongerFileIsReplaced) {
    ASSERT_TRUE(CreateDirectoryW(hintFolder.c_str(), nullptr));
    elements.WriteFile(std::wstring(kHintFolder) + L"\\Desktop.INI", std::string(3000, 'j'));
    ASSERT_TRUE(SetFileAttributesW(hintFile.c_str(), FILE_ATTRIBUTE_READONLY));
    Open();
    EXPECT_EQ(DecodedText(hintFile), ExpectedText(fakes.support.exePath));

    // No program path to be had: that one line is left out, the rest stays.
    fakes.support.exePathFails = true;
    Open();
    std::wstring withoutIcon = ExpectedText(L"");
    withoutIcon.erase(withoutIcon.find(L"IconFile"), std::wstring(L"IconFile      = \r\n").size());
    EXPECT_EQ(DecodedText(hintFile), withoutIcon);
    EXPECT_EQ(fakes.shell.calls.size(), 2u);
}

TEST_F(FolderViewTest, AMissingElementsFolderGivesTheMessageAndWritesNothing) {
    state.SET_ElementsPath = elements / L"Vimbrel";
    fakes.shell.openResult = 2;  // what the shell answers for a missing folder
    Open();
    EXPECT_EQ(GetFileAttributesW(state.SET_ElementsPath.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(fakes.ui.boxes.size(), 1u);
    EXPECT_EQ(fakes.ui.boxes[0].text, L"Не удалось открыть каталог \"" + state.SET_ElementsPath + L"\".");
    EXPECT_EQ(fakes.ui.boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(fakes.ui.boxes[0].priorityClass, static_cast<DWORD>(IDLE_PRIORITY_CLASS))
        << "the message comes after the return to idle";

    // 32 is still a failure, 33 the first success.
    fakes.shell.openResult = 32;
    Open();
    fakes.shell.openResult = 33;
    Open();
    EXPECT_EQ(fakes.ui.boxes.size(), 2u);
}

TEST_F(FolderViewTest, AFileInPlaceOfTheHintFolderIsLeftAloneAndTheFolderStillOpens) {
    const std::wstring inTheWay = elements.WriteFile(kHintFolder, "mine");
    Open();
    EXPECT_EQ(fakes.shell.calls, std::vector<std::wstring>{L"open " + elements.Path()});
    EXPECT_TRUE(fakes.ui.boxes.empty());
    EXPECT_EQ(ReadWholeFile(inTheWay), "mine");
    EXPECT_EQ(Attributes(inTheWay) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN), 0u)
        << "the user's file keeps its attributes";
}

}  // namespace

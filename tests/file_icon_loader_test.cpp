// The shell's icon of a file, loaded for real: which files get one, at what
// size, and that no load leaves an icon behind.

#include "actions/shortcut.h"
#include "fakes.h"
#include "outside/file_icon_loader.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    // GetIconInfo hands out copies of both bitmaps; they are ours to delete.
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
    SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

struct FileIconLoaderTest : testing::Test {
    TempFolder folder{L"Vimbrel-значки"};
    std::unique_ptr<FileIconLoaderFactory> factory = MakeShellFileIconLoaderFactory();
};

TEST_F(FileIconLoaderTest, AnExistingFileGetsAnIconAtNotificationAreaSize) {
    const int width = GetSystemMetrics(SM_CXSMICON), height = GetSystemMetrics(SM_CYSMICON);
    // The usual element: a real shortcut, whose icon is its target's.
    FakeErrorReporter errors;
    CreateShortcut(errors, folder / L"Блокнот.lnk", folder.WriteFile(L"target.cmd"), folder.Path(), L"", L"", 0,
                   SW_SHOWNORMAL);
    ASSERT_TRUE(errors.messages.empty());
    ASSERT_NE(GetFileAttributesW((folder / L"Блокнот.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    for (const wchar_t* name : {L"Readme.txt", L"run.cmd", L"Документ.txt", L"日記 😀.txt"}) folder.WriteFile(name);
    for (const wchar_t* name : {L"Readme.txt", L"run.cmd", L"Документ.txt", L"日記 😀.txt", L"Блокнот.lnk"}) {
        const std::wstring path = folder / name;
        const auto loader = factory->Create();
        ASSERT_TRUE(loader->Load(path)) << path;
        const UniqueIcon icon = loader->TakeIcon();
        ASSERT_TRUE(icon) << path;
        const SIZE size = IconSize(icon.get());
        EXPECT_EQ(size.cx, width) << path;
        EXPECT_EQ(size.cy, height) << path;
        EXPECT_FALSE(loader->TakeIcon()) << "the icon is handed over once";
    }
}

TEST_F(FileIconLoaderTest, AMissingFileGetsNoneAndNoStaleIcon) {
    const auto loader = factory->Create();
    EXPECT_FALSE(loader->Load(folder / L"missing.txt"));
    EXPECT_FALSE(loader->TakeIcon());

    ASSERT_TRUE(loader->Load(folder.WriteFile(L"present.txt")));
    EXPECT_FALSE(loader->Load(folder / L"missing.lnk"));
    EXPECT_FALSE(loader->TakeIcon()) << "a failed load does not answer with the previous file's icon";
}

TEST_F(FileIconLoaderTest, AThousandLoadsLeaveNoIconBehind) {
    const std::wstring text = folder.WriteFile(L"a.txt");
    const std::wstring script = folder.WriteFile(L"b.cmd");
    const auto created = HandleCounter<IconTraits>::created;
    const auto live = HandleCounter<IconTraits>::live();

    for (int i = 0; i < 1000; ++i) {
        const auto loader = factory->Create();
        ASSERT_TRUE(loader->Load(i % 2 ? text : script));
        switch (i % 4) {
            case 0: loader->TakeIcon(); break;                 // taken and dropped at once
            case 1: break;                                      // never taken: the loader holds it
            case 2: ASSERT_TRUE(loader->Load(text)); break;     // loaded over the first
            case 3: loader->Load(folder / L"missing"); break;   // failed over the first
        }
    }
    EXPECT_EQ(HandleCounter<IconTraits>::created - created, 1250u) << "every icon was counted";
    EXPECT_EQ(HandleCounter<IconTraits>::live(), live);
}

}  // namespace

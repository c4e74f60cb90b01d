// The element row against a real folder: which files become icons, in what
// order and under which tooltip, what an error or an unloadable icon does,
// the balloon of an empty row, and that rebuilds leave nothing behind.

#include "app/errors.h"
#include "fakes.h"
#include "temp_folder.h"
#include "tray/element_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

TEST(ElementDisplayName, CutsOnlyLnkPifAndUrlInAnyCase) {
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\Readme.txt"), L"Readme.txt");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\Notepad.lnk"), L"Notepad");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\Site.URL"), L"Site");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\Run.Pif"), L"Run");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\Tool.lnk2"), L"Tool.lnk2");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\Tool.ln"), L"Tool.ln");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\NoExtension"), L"NoExtension");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\archive.tar.lnk"), L"archive.tar") << "only the last extension goes";
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\page.url.txt"), L"page.url.txt");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\a.lnk"), L"a");
    // A name that is nothing but the extension keeps it, so the icon is not
    // left without a tooltip.
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\.lnk"), L".lnk");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\.URL"), L".URL");
    EXPECT_EQ(ElementDisplayName(L"C:\\Элементы\\Блокнот.LnK"), L"Блокнот");
    EXPECT_EQ(ElementDisplayName(L"C:\\Элементы\\Отчёт.лнк"), L"Отчёт.лнк");
    EXPECT_EQ(ElementDisplayName(L"C:\\E\\日記 😀.pif"), L"日記 😀");
}

// Throws the way a failing outside call does, on the n-th icon asked for.
class FailingLoaderFactory final : public FileIconLoaderFactory {
public:
    explicit FailingLoaderFactory(int failAt) : failAt_(failAt) {}
    std::unique_ptr<FileIconLoader> Create() override { return std::make_unique<Loader>(*this); }
    int loads = 0;

private:
    class Loader final : public FileIconLoader {
    public:
        explicit Loader(FailingLoaderFactory& owner) : owner_(owner), inner_(owner.inner_.Create()) {}
        bool Load(const std::wstring& path) override {
            if (++owner_.loads == owner_.failAt_) throw AppError(5, L"Access denied");
            return inner_->Load(path);
        }
        UniqueIcon TakeIcon() override { return inner_->TakeIcon(); }

    private:
        FailingLoaderFactory& owner_;
        std::unique_ptr<FileIconLoader> inner_;
    };
    int failAt_;
    FakeIconLoaderFactory inner_;
};

// A tray whose balloon fails, as Shell_NotifyIcon may when the taskbar is gone.
class BalloonFailingTrayFactory final : public SysTrayFactory {
public:
    std::unique_ptr<SysTray> Create(HWND owner, std::int16_t index) override {
        return std::make_unique<Tray>(inner_.Create(owner, index));
    }
    TrayLog& Log() { return inner_.log; }

private:
    class Tray final : public SysTray {
    public:
        explicit Tray(std::unique_ptr<SysTray> inner) : inner_(std::move(inner)) {}
        void SetText(const std::wstring& text) override { inner_->SetText(text); }
        const std::wstring& Text() const override { return inner_->Text(); }
        void SetTag(const std::wstring& tag) override { inner_->SetTag(tag); }
        const std::wstring& Tag() const override { return inner_->Tag(); }
        void SetTrayIcon(UniqueIcon icon) override { inner_->SetTrayIcon(std::move(icon)); }
        HICON TrayIcon() const override { return inner_->TrayIcon(); }
        void SetInTray(bool inTray) override { inner_->SetInTray(inTray); }
        bool InTray() const override { return inner_->InTray(); }
        bool Restore() override { return inner_->Restore(); }
        void ShowBalloon(const std::wstring&, const std::wstring&, int) override {
            throw AppError(1460, L"Timeout");
        }

    private:
        std::unique_ptr<SysTray> inner_;
    };
    FakeSysTrayFactory inner_;
};

struct ElementListTest : testing::Test {
    TempFolder folder{L"Vimbrel-строка"};
    FakeSysTrayFactory trays;
    FakeIconLoaderFactory loaders;
    AppState state;
    ElementSet stElement{trays, nullptr};

    ElementListTest() { state.SET_ElementsPath = folder.Path(); }

    void Refresh() { RefreshElements(stElement, loaders, state); }

    std::vector<std::wstring> Tags() {
        std::vector<std::wstring> tags;
        for (int i = 1; i <= stElement.UBound(); ++i) tags.push_back(stElement[i].Tag());
        return tags;
    }

    // The folder's visible files as the system lists them, worked out here
    // independently of the code under test.
    std::vector<std::wstring> Listing() const {
        std::vector<std::wstring> paths;
        WIN32_FIND_DATAW entry;
        const UniqueFind find(FindFirstFileW((folder / L"*").c_str(), &entry));
        if (!find) return paths;
        do {
            if (!(entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)))
                paths.push_back(folder / entry.cFileName);
        } while (FindNextFileW(find.get(), &entry));
        return paths;
    }

    size_t Balloons() const {
        return static_cast<size_t>(std::count(trays.log.events.begin(), trays.log.events.end(), L"balloon 0"));
    }

    std::wstring WriteWithAttributes(const std::wstring& name, DWORD attributes) {
        const std::wstring path = folder.WriteFile(name);
        EXPECT_TRUE(SetFileAttributesW(path.c_str(), attributes));
        EXPECT_EQ(GetFileAttributesW(path.c_str()) & attributes, attributes) << "the file system keeps them";
        return path;
    }
};

TEST_F(ElementListTest, EveryVisibleFileBecomesAnElementInListingOrder) {
    const std::wstring readme = folder.WriteFile(L"Readme.txt");
    const std::wstring notepad = folder.WriteFile(L"Notepad.lnk");
    const std::wstring site = folder.WriteFile(L"Site.URL");
    const std::wstring cyrillic = folder.WriteFile(L"Блокнот.lnk");
    const std::wstring readOnly = WriteWithAttributes(L"read-only.txt", FILE_ATTRIBUTE_READONLY);
    const std::wstring system = WriteWithAttributes(L"system.txt", FILE_ATTRIBUTE_SYSTEM);
    WriteWithAttributes(L"hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    WriteWithAttributes(L"hidden-system.lnk", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(CreateDirectoryW((folder / L"Добавляйте ярлыки и файлы сюда").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder / L"sub.lnk").c_str(), nullptr));
    folder.WriteFile(L"sub.lnk\\inner.txt");

    Refresh();

    const std::vector<std::wstring> tags = Tags();
    EXPECT_EQ(std::set<std::wstring>(tags.begin(), tags.end()),
              (std::set<std::wstring>{readme, notepad, site, cyrillic, readOnly, system}))
        << "no hidden file, no folder, nothing from inside a folder";
    EXPECT_EQ(tags, Listing()) << "numbered 1..n in the order the folder lists them";

    std::map<std::wstring, std::wstring> tooltips;
    for (int i = 1; i <= stElement.UBound(); ++i) {
        SysTray& element = stElement[i];
        tooltips[element.Tag()] = element.Text();
        EXPECT_TRUE(element.InTray()) << i;
        EXPECT_NE(element.TrayIcon(), nullptr) << i;
    }
    EXPECT_EQ(tooltips[readme], L"Readme.txt");
    EXPECT_EQ(tooltips[notepad], L"Notepad");
    EXPECT_EQ(tooltips[site], L"Site");
    EXPECT_EQ(tooltips[cyrillic], L"Блокнот");
    EXPECT_EQ(Balloons(), 0u);
    EXPECT_FALSE(stElement.Main().InTray()) << "the rebuild leaves the main icon alone";
}

TEST_F(ElementListTest, AFileWithoutAnIconIsSkippedQuietly) {
    loaders.refused = {L"broken.txt"};
    folder.WriteFile(L"broken.txt");
    Refresh();
    EXPECT_EQ(stElement.UBound(), 0);
    EXPECT_EQ(Balloons(), 1u) << "its only file got no icon, so the row is empty";

    const std::wstring good = folder.WriteFile(L"good.txt");
    const std::wstring other = folder.WriteFile(L"other.txt");
    Refresh();
    const std::vector<std::wstring> tags = Tags();
    EXPECT_EQ(std::set<std::wstring>(tags.begin(), tags.end()), (std::set<std::wstring>{good, other}));
    EXPECT_EQ(Balloons(), 1u);
}

TEST_F(ElementListTest, AnErrorEndsTheScanAndKeepsTheIconsMadeSoFar) {
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"}) folder.WriteFile(name);
    const std::vector<std::wstring> listing = Listing();

    FailingLoaderFactory failThird(3);
    EXPECT_NO_THROW(RefreshElements(stElement, failThird, state));
    EXPECT_EQ(failThird.loads, 3) << "nothing after the failing file is tried";
    EXPECT_EQ(Tags(), std::vector<std::wstring>(listing.begin(), listing.begin() + 2));
    EXPECT_EQ(Balloons(), 0u);

    // Failing on the first file leaves the row empty, and the balloon still comes.
    FailingLoaderFactory failFirst(1);
    EXPECT_NO_THROW(RefreshElements(stElement, failFirst, state));
    EXPECT_EQ(stElement.UBound(), 0);
    EXPECT_EQ(Balloons(), 1u);

    // So does a folder that cannot be listed at all.
    state.SET_ElementsPath = folder / L"gone";
    EXPECT_NO_THROW(Refresh());
    EXPECT_EQ(stElement.UBound(), 0);
    EXPECT_EQ(Balloons(), 2u);
}

TEST_F(ElementListTest, AFailingBalloonIsIgnored) {
    BalloonFailingTrayFactory failing;
    ElementSet set(failing, nullptr);
    EXPECT_NO_THROW(RefreshElements(set, loaders, state));
    EXPECT_EQ(set.UBound(), 0);
}

TEST_F(ElementListTest, IndexesRunWithoutGapsAfterMiddleFilesAreDeleted) {
    for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt", L"4.txt", L"5.txt"}) folder.WriteFile(name);
    Refresh();
    std::vector<std::wstring> listing = Listing();
    ASSERT_EQ(Tags(), listing);
    ASSERT_TRUE(DeleteFileW(listing[1].c_str()));
    ASSERT_TRUE(DeleteFileW(listing[3].c_str()));

    trays.log.events.clear();
    Refresh();
    listing = Listing();
    EXPECT_EQ(stElement.Count(), 4);
    EXPECT_EQ(Tags(), listing);
    // Removed from the top down, then created one above the highest index.
    EXPECT_EQ(trays.log.events, (std::vector<std::wstring>{L"delete 5", L"delete 4", L"delete 3", L"delete 2",
                                                           L"delete 1", L"add 1", L"add 2", L"add 3"}));
    EXPECT_EQ(trays.log.live, 4);
}

TEST_F(ElementListTest, AnEmptyRowShowsTheBalloonWithTheQuotedFolder) {
    ASSERT_TRUE(CreateDirectoryW((folder / L"Добавляйте ярлыки и файлы сюда").c_str(), nullptr));
    Refresh();

    auto& mainIcon = static_cast<FakeSysTray&>(stElement.Main());
    EXPECT_EQ(trays.log.events, std::vector<std::wstring>{L"balloon 0"});
    EXPECT_EQ(mainIcon.balloonText, L"Нет ни одного элемента для вывода в трэй. Вы можете добавлять файлы или "
                                L"ярлыки в каталог \"" +
                                    folder.Path() + L"\", тогда их иконки появятся здесь.");
    EXPECT_EQ(mainIcon.balloonTitle, L"Oskerin - Vimbrel");
    EXPECT_EQ(mainIcon.balloonKind, 1);
    EXPECT_EQ(NoElementsBalloonText(L"C:\\x"), L"Нет ни одного элемента для вывода в трэй. Вы можете добавлять "
                                               L"файлы или ярлыки в каталог \"C:\\x\", тогда их иконки появятся здесь.");

    folder.WriteFile(L"Readme.txt");
    Refresh();
    EXPECT_EQ(Balloons(), 1u) << "a row with an element gets no balloon";
}

TEST_F(ElementListTest, RebuildsLeaveNoIconOrControlBehind) {
    const std::uint64_t iconsBefore = HandleCounter<IconTraits>::live();
    {
        ElementSet set(trays, nullptr);
        for (const wchar_t* name : {L"a.txt", L"b.lnk", L"c.url"}) folder.WriteFile(name);
        for (int round = 0; round < 20; ++round) {
            RefreshElements(set, loaders, state);
            ASSERT_EQ(set.UBound(), 3);
            // This fixture's own set holds its main icon too.
            EXPECT_EQ(trays.log.live, 1 + 4);
            EXPECT_EQ(HandleCounter<IconTraits>::live(), iconsBefore + 3);
        }
        ASSERT_TRUE(DeleteFileW((folder / L"b.lnk").c_str()));
        RefreshElements(set, loaders, state);
        EXPECT_EQ(trays.log.live, 1 + 3);
        EXPECT_EQ(HandleCounter<IconTraits>::live(), iconsBefore + 2);
    }
    EXPECT_EQ(trays.log.live, 1);
    EXPECT_EQ(HandleCounter<IconTraits>::live(), iconsBefore);
}

TEST(ElementSet, HoldsAtMost32767ElementsLikeA16BitIndex) {
    FakeSysTrayFactory trays;
    ElementSet set(trays, nullptr);
    for (int i = 1; i <= ElementSet::kMaxIndex; ++i) set.Add();
    EXPECT_EQ(set.UBound(), 32767);
    try {
        set.Add();
        ADD_FAILURE() << "index 32768 was created";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), 6) << "overflow";
    }
    EXPECT_EQ(set.Count(), 32768);
    set.Clear();
    EXPECT_EQ(set.Count(), 1);
    EXPECT_EQ(trays.log.live, 1);
    EXPECT_EQ(set.Find(1), nullptr);
    EXPECT_EQ(set.Find(-1), nullptr);
    EXPECT_EQ(set.Find(0), &set.Main());
}

}  // namespace

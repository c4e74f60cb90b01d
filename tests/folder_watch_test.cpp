#include "files/folder_watch.h"
#include "support.h"

#include <gtest/gtest.h>

// The names in each listing the watch announces, as the window would take them.
struct Listings {
    UniqueWindow window = MessageWindow();
    std::vector<std::wstring> last;

    // The next listing announced within the deadline.
    bool Next(FolderWatch& watch, DWORD deadlineMs = 5000) {
        while (Posted(window.get(), WM_APP, deadlineMs)) {
            if (const auto listing = watch.Take()) {
                last.clear();
                for (const FileState& file : *listing) last.push_back(file.name);
                return true;
            }
        }
        return false;
    }
    bool Until(FolderWatch& watch, const std::vector<std::wstring>& names) {
        while (last != names)
            if (!Next(watch, 8000)) return false;
        return true;
    }
};

TEST(FolderWatch, AChangeMadeWhileTheRowIsUpdatedBringsOneMoreListingAndAQuietFolderNone) {
    TempFolder folder;
    Listings listings;
    FolderWatch watch(folder.Path(), listings.window.get(), WM_APP);
    ASSERT_TRUE(listings.Next(watch)) << "listed at once";
    folder.Write(L"first.txt");
    ASSERT_TRUE(listings.Next(watch));
    folder.Write(L"second.txt");  // while the window updates the row from the first listing
    EXPECT_TRUE(listings.Next(watch) && listings.last.size() == 2);
    EXPECT_FALSE(listings.Next(watch, 3 * FolderWatch::kLongestSettleMs)) << "nothing while nothing changes";
}

TEST(FolderWatch, FollowsTheFolderByItsPathWhateverBecomesOfTheFoldersAboveIt) {
    TempFolder root;
    const std::wstring company = root / L"Quenwald", folder = company + L"\\Vimbrel";
    const auto make = [&](const wchar_t* file) {
        CreateDirectoryW(company.c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        root.Write(L"Quenwald\\Vimbrel\\" + std::wstring(file));
    };
    int moves = 0;  // under Wine a watched folder cannot be deleted, only moved away
    const auto moveAway = [&](const std::wstring& path) {
        MoveFileW(path.c_str(), (root / (L"moved " + std::to_wstring(++moves))).c_str());
    };
    make(L"x.txt");
    Listings listings;
    FolderWatch watch(folder, listings.window.get(), WM_APP);
    ASSERT_TRUE(listings.Until(watch, {L"x.txt"}));
    const std::tuple<const char*, std::function<void()>, std::vector<std::wstring>> steps[] = {
        {"the folder above moved away and made again at once", [&] { moveAway(company), make(L"z.txt"); }, {L"z.txt"}},
        {"a file added there", [&] { make(L"z2.txt"); }, {L"z.txt", L"z2.txt"}},
        {"then moved away", [&] { moveAway(company); }, {}},
        {"made again", [&] { make(L"w.txt"); }, {L"w.txt"}},
        {"the folder replaced by a file", [&] { moveAway(folder), root.Write(L"Quenwald\\Vimbrel"); }, {}},
    };
    for (const auto& [what, change, names] : steps) {
        change();
        EXPECT_TRUE(listings.Until(watch, names)) << what;
    }
}

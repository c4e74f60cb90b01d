// The two popup menus as Windows holds them after they are built.

#include "tray/menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Item {
    UINT id;
    std::wstring caption;
    bool separator;
    bool checked;
    bool hasSubmenu;
};

std::vector<Item> ReadMenu(HMENU menu) {
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t caption[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = caption;
        info.cch = 127;
        EXPECT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
        items.push_back({info.wID, caption, (info.fType & MFT_SEPARATOR) != 0, (info.fState & MFS_CHECKED) != 0,
                         info.hSubMenu != nullptr});
    }
    return items;
}

void ExpectMatches(HMENU menu, std::span<const MenuEntry> expected) {
    const auto items = ReadMenu(menu);
    ASSERT_EQ(items.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        const MenuEntry& entry = expected[i];
        const auto decoded = DecodeMenuCommand(items[i].id);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, (MenuItemRef{entry.array, entry.index}));
        EXPECT_EQ(items[i].separator, entry.kind == MenuItemKind::Separator);
        if (!items[i].separator) {
            EXPECT_EQ(items[i].caption, entry.caption);
        }
        EXPECT_EQ(items[i].hasSubmenu, entry.kind == MenuItemKind::Submenu);
        EXPECT_FALSE(items[i].checked) << "nothing is checked until the window says so";
        EXPECT_EQ(items[i].caption.find_first_of(L"&\t"), std::wstring::npos) << "no shortcuts or accelerator text";
    }
}

TEST(MenuTree, BothPopupsHoldEveryIndexCaptionSeparatorAndGap) {
    MenuTree menus;
    const auto bar = ReadMenu(menus.MenuBar());
    ASSERT_EQ(bar.size(), 2u);
    EXPECT_EQ(bar[0].caption, L"Tray");
    EXPECT_EQ(bar[1].caption, L"Icon");

    ExpectMatches(menus.TrayPopup(), kTrayMenu);
    const auto tray = ReadMenu(menus.TrayPopup());
    std::vector<int> indexes;
    for (const Item& item : tray) indexes.push_back(DecodeMenuCommand(item.id)->index);
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 3, 14, 15, 16, 17, 20, 21, 30, 31}));
    EXPECT_EQ(tray[7].caption, L"Запускать с Windows") << "the eighth entry carries index 17";
    EXPECT_EQ(tray[11].caption, L"Выход") << "the twelfth entry carries index 31";

    // "Справка" holds the Help submenu with its single item, index 99.
    HMENU help = GetSubMenu(menus.TrayPopup(), 9);
    ASSERT_NE(help, nullptr);
    ExpectMatches(help, kHelpMenu);
    EXPECT_EQ(*DecodeMenuCommand(ReadMenu(help)[0].id), (MenuItemRef{MenuArray::mnuHelp, 99}));

    ExpectMatches(menus.IconPopup(), kIconMenu);
    EXPECT_EQ(ReadMenu(menus.IconPopup())[0].caption, L"Открыть");
}

TEST(MenuTree, CheckMarksAreAddressedByIndexNotPosition) {
    MenuTree menus;
    menus.SetChecked(MenuArray::mnuTray, 17, true);
    for (const int index : {15, 16, 17}) EXPECT_EQ(menus.Checked(MenuArray::mnuTray, index), index == 17);
    EXPECT_TRUE(ReadMenu(menus.TrayPopup())[7].checked);
    menus.SetChecked(MenuArray::mnuTray, 17, false);
    EXPECT_FALSE(menus.Checked(MenuArray::mnuTray, 17));
}

TEST(MenuCommands, DecodeOnlyTheirOwnRanges) {
    for (const UINT id : {0u, 999u, 4000u}) EXPECT_FALSE(DecodeMenuCommand(id).has_value()) << id;
    EXPECT_EQ(*DecodeMenuCommand(MenuCommandId(MenuArray::mnuIcon, 4)), (MenuItemRef{MenuArray::mnuIcon, 4}));
}

}  // namespace

#pragma once
// The two popup menus as data. Items are addressed by their array and index
// value, never by position: the indexes have gaps and the click handlers
// dispatch on them.

#include "app/handles.h"

#include <optional>
#include <span>

enum class MenuArray : unsigned { mnuTray = 1, mnuHelp = 2, mnuIcon = 3 };

enum class MenuItemKind { Command, Separator, Option, Submenu };

struct MenuEntry {
    MenuArray array;
    int index;
    const wchar_t* caption;
    MenuItemKind kind;
};

struct MenuItemRef {
    MenuArray array;
    int index;
    friend bool operator==(const MenuItemRef&, const MenuItemRef&) = default;
};

// mnuTray, the main menu ("Tray" on the hidden window's menu bar).
inline constexpr MenuEntry kTrayMenu[] = {
    {MenuArray::mnuTray, 0, L"Создать ярлык...", MenuItemKind::Command},
    {MenuArray::mnuTray, 1, L"-", MenuItemKind::Separator},
    {MenuArray::mnuTray, 2, L"Открыть каталог", MenuItemKind::Command},
    {MenuArray::mnuTray, 3, L"Обновить", MenuItemKind::Command},
    {MenuArray::mnuTray, 14, L"-", MenuItemKind::Separator},
    {MenuArray::mnuTray, 15, L"Anti-Hide", MenuItemKind::Option},
    {MenuArray::mnuTray, 16, L"Anti-Hide в терминальной сессии", MenuItemKind::Option},
    {MenuArray::mnuTray, 17, L"Запускать с Windows", MenuItemKind::Option},
    {MenuArray::mnuTray, 20, L"-", MenuItemKind::Separator},
    {MenuArray::mnuTray, 21, L"Справка", MenuItemKind::Submenu},
    {MenuArray::mnuTray, 30, L"-", MenuItemKind::Separator},
    {MenuArray::mnuTray, 31, L"Выход", MenuItemKind::Command},
};
// mnuHelp, the submenu of "Справка".
inline constexpr MenuEntry kHelpMenu[] = {
    {MenuArray::mnuHelp, 99, L"О программе...", MenuItemKind::Command},
};
// mnuIcon, the element menu ("Icon" on the menu bar).
inline constexpr MenuEntry kIconMenu[] = {
    {MenuArray::mnuIcon, 0, L"Открыть", MenuItemKind::Command},
    {MenuArray::mnuIcon, 1, L"-", MenuItemKind::Separator},
    {MenuArray::mnuIcon, 2, L"Удалить", MenuItemKind::Command},
    {MenuArray::mnuIcon, 3, L"-", MenuItemKind::Separator},
    {MenuArray::mnuIcon, 4, L"Свойства", MenuItemKind::Command},
};
inline constexpr MenuItemRef kHelpSubmenuParent{MenuArray::mnuTray, 21};

inline constexpr wchar_t kMenuBarTray[] = L"Tray";
inline constexpr wchar_t kMenuBarIcon[] = L"Icon";

// Command ids are derived from array and index; never 0, which is what
// TrackPopupMenuEx answers when nothing was chosen.
constexpr UINT MenuCommandId(MenuArray array, int index) {
    return static_cast<UINT>(array) * 1000u + static_cast<UINT>(index);
}
std::optional<MenuItemRef> DecodeMenuCommand(UINT id);

// The menu bar of the hidden window, mnuMain(0) "Tray" and mnuMain(1) "Icon".
class MenuTree {
public:
    MenuTree();

    HMENU MenuBar() const { return bar_.get(); }
    HMENU TrayPopup() const;  // mnuMain(0)
    HMENU IconPopup() const;  // mnuMain(1)

    bool Checked(MenuArray array, int index) const;
    void SetChecked(MenuArray array, int index, bool checked);

private:
    UniqueMenu bar_;
};

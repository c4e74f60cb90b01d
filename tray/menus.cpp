#include "tray/menus.h"

#include "app/errors.h"

namespace {

void Append(HMENU menu, const MenuEntry& item, HMENU submenu = nullptr) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
    info.wID = MenuCommandId(item.array, item.index);
    info.fType = item.kind == MenuItemKind::Separator ? MFT_SEPARATOR : MFT_STRING;
    info.dwTypeData = const_cast<wchar_t*>(item.caption);
    if (submenu) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = submenu;
    }
    if (!InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info)) ThrowLastError();
}

// Builds one popup from its table; a Submenu row takes the popup made from
// `nested`. The popup is owned by `owner` once appended to it.
void AppendPopup(HMENU owner, const wchar_t* caption, std::span<const MenuEntry> items,
                  std::span<const MenuEntry> nested = {}) {
    UniqueMenu popup(CreatePopupMenu());
    if (!popup) ThrowLastError();
    for (const MenuEntry& item : items) {
        if (item.kind != MenuItemKind::Submenu) {
            Append(popup.get(), item);
            continue;
        }
        UniqueMenu sub(CreatePopupMenu());
        if (!sub) ThrowLastError();
        for (const MenuEntry& inner : nested) Append(sub.get(), inner);
        Append(popup.get(), item, sub.get());
        sub.release();  // now destroyed with its parent
    }
    if (!AppendMenuW(owner, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup.get()), caption))
        ThrowLastError();
    popup.release();  // now destroyed with the menu bar
}

}  // namespace

std::optional<MenuItemRef> DecodeMenuCommand(UINT id) {
    for (MenuArray array : {MenuArray::mnuTray, MenuArray::mnuHelp, MenuArray::mnuIcon}) {
        if (id >= MenuCommandId(array, 0) && id < MenuCommandId(array, 1000))
            return MenuItemRef{array, static_cast<int>(id - MenuCommandId(array, 0))};
    }
    return std::nullopt;
}

MenuTree::MenuTree() : bar_(CreateMenu()) {
    if (!bar_) ThrowLastError();
    AppendPopup(bar_.get(), kMenuBarTray, kTrayMenu, kHelpMenu);
    AppendPopup(bar_.get(), kMenuBarIcon, kIconMenu);
}

HMENU MenuTree::TrayPopup() const { return GetSubMenu(bar_.get(), 0); }
HMENU MenuTree::IconPopup() const { return GetSubMenu(bar_.get(), 1); }

bool MenuTree::Checked(MenuArray array, int index) const {
    const UINT state = GetMenuState(bar_.get(), MenuCommandId(array, index), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void MenuTree::SetChecked(MenuArray array, int index, bool checked) {
    CheckMenuItem(bar_.get(), MenuCommandId(array, index), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

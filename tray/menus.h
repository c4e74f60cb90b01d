#pragma once
// The two popup menus: the main icon's and an element's. Each command is a
// fixed number, the one it has always had, from which its menu id is made:
// handlers dispatch on these numbers, never on a place in the menu, so the
// menu's order may change without a click going astray. The menus are built
// from tables of those commands. The main menu opens with the submenu
// "Элементы", which lists the row anew each time it opens.

#include "base/handles.h"

#include <optional>
#include <string>
#include <vector>

enum class MainCommand : UINT {
    CreateShortcut = 0,
    OpenFolder = 2,
    Refresh = 3,
    AntiHide = 15,
    AntiHideInRemoteSession = 16,
    StartWithWindows = 17,
    ShowOnTaskbar = 18,
    Exit = 31,
};
// The submenu "Справка".
enum class HelpCommand : UINT { About = 99 };
enum class ElementCommand : UINT { Open = 0, Delete = 2, Properties = 4 };

// Each menu's commands get ids in a range of their own; never 0, which is
// what a popup answers when nothing was chosen.
constexpr UINT MenuIdBase(MainCommand) { return 1000; }
constexpr UINT MenuIdBase(HelpCommand) { return 2000; }
constexpr UINT MenuIdBase(ElementCommand) { return 3000; }
constexpr UINT kMenuIdRange = 1000;
// The items of "Элементы", by place in the list; menu ids stay in 16 bits.
constexpr UINT kElementsMenuIdBase = 4000;
constexpr UINT kLastMenuId = 0xFFFF;

template <class Command>
constexpr UINT CommandId(Command command) {
    return MenuIdBase(command) + static_cast<UINT>(command);
}
// The command of that menu an id stands for; nullopt for another menu's.
template <class Command>
constexpr std::optional<Command> CommandFromId(UINT id) {
    const UINT base = MenuIdBase(Command{});
    if (id < base || id >= base + kMenuIdRange) return std::nullopt;
    return static_cast<Command>(id - base);
}

// An entry of "Элементы": the element's icon and the text of its tooltip;
// a registered shortcut key shows at the right, as menus show keys.
struct MenuElement {
    HICON icon;
    std::wstring text;
    std::wstring key;
};

class Menus {
public:
    Menus();

    HMENU Main() const { return main_.get(); }
    HMENU Element() const { return element_.get(); }

    void SetChecked(MainCommand command, bool checked);

    // "Элементы" greyed when there are none; its list is made only when it
    // opens (WM_INITMENUPOPUP for Elements()): a long row takes a while to list.
    void EnableElements(bool any);
    HMENU Elements() const { return elements_; }
    // The list in place of the one before; an empty one frees its bitmaps.
    void SetElements(const std::vector<MenuElement>& elements);
    // The place in the list given to SetElements that an id stands for; the
    // list may have gone with its menu since.
    static std::optional<size_t> ElementFromId(UINT id);

private:
    UniqueMenu main_;
    UniqueMenu element_;
    HMENU elements_;                     // owned by main_
    std::vector<UniqueBitmap> bitmaps_;  // the icons "Элементы" shows
};

#pragma once
// The two popup menus: the main icon's and an element's. Each command keeps
// the item index the program has always documented for it, and the menus
// are built from tables of those commands.

#include "base/handles.h"

#include <optional>

enum class MainCommand : UINT {
    CreateShortcut = 0,
    OpenFolder = 2,
    Refresh = 3,
    AntiHide = 15,
    AntiHideInRemoteSession = 16,
    StartWithWindows = 17,
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

class Menus {
public:
    Menus();

    HMENU Main() const { return main_.get(); }
    HMENU Element() const { return element_.get(); }

    bool Checked(MainCommand command) const;
    void SetChecked(MainCommand command, bool checked);

private:
    UniqueMenu main_;
    UniqueMenu element_;
};

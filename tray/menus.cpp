#include "tray/menus.h"

#include "base/error.h"
#include "base/texts.h"

#include <span>

namespace {

// A row of a menu table: a command, a separator, or (only "Справка") the
// parent of a submenu.
struct Entry {
    UINT id;
    const wchar_t* caption;
};
constexpr Entry kSeparator{0, nullptr};

constexpr Entry kMainMenu[] = {
    {CommandId(MainCommand::CreateShortcut), texts::kMenuCreateShortcut},
    kSeparator,
    {CommandId(MainCommand::OpenFolder), texts::kMenuOpenFolder},
    {CommandId(MainCommand::Refresh), texts::kMenuRefresh},
    kSeparator,
    {CommandId(MainCommand::AntiHide), texts::kMenuAntiHide},
    {CommandId(MainCommand::AntiHideInRemoteSession), texts::kMenuAntiHideInRemoteSession},
    {CommandId(MainCommand::StartWithWindows), texts::kMenuStartWithWindows},
    kSeparator,
    {0, texts::kMenuHelp},
    kSeparator,
    {CommandId(MainCommand::Exit), texts::kMenuExit},
};
constexpr Entry kHelpMenu[] = {
    {CommandId(HelpCommand::About), texts::kMenuAbout},
};
constexpr Entry kElementMenu[] = {
    {CommandId(ElementCommand::Open), texts::kMenuOpen},
    kSeparator,
    {CommandId(ElementCommand::Delete), texts::kMenuDelete},
    kSeparator,
    {CommandId(ElementCommand::Properties), texts::kMenuProperties},
};

// A popup from its table; the one entry with a caption and no id opens
// `submenu`, which the popup then owns.
UniqueMenu BuildPopup(std::span<const Entry> entries, UniqueMenu submenu = {}) {
    UniqueMenu popup(CreatePopupMenu());
    if (!popup) ThrowLastError();
    for (const Entry& entry : entries) {
        BOOL appended = FALSE;
        if (!entry.caption)
            appended = AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
        else if (entry.id != 0)
            appended = AppendMenuW(popup.get(), MF_STRING, entry.id, entry.caption);
        else if ((appended = AppendMenuW(popup.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()),
                                         entry.caption)) != FALSE)
            submenu.release();
        if (!appended) ThrowLastError();
    }
    return popup;
}

}  // namespace

Menus::Menus() : main_(BuildPopup(kMainMenu, BuildPopup(kHelpMenu))), element_(BuildPopup(kElementMenu)) {
    // "Открыть" in bold: what a plain click on the icon does.
    SetMenuDefaultItem(element_.get(), CommandId(ElementCommand::Open), FALSE);
}

bool Menus::Checked(MainCommand command) const {
    const UINT state = GetMenuState(main_.get(), CommandId(command), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void Menus::SetChecked(MainCommand command, bool checked) {
    CheckMenuItem(main_.get(), CommandId(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

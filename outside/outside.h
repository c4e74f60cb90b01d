#pragma once
// The outside components the program talks to, made once in wWinMain (the
// real ones) or by a test (fakes).

#include "outside/file_icons.h"
#include "outside/modal_ui.h"
#include "outside/notification_area.h"
#include "outside/shell.h"

#include <memory>

struct Outside {
    NotificationArea& tray;
    ModalUi& ui;
    Shell& shell;
    // Shared with the icon worker, which may be let go still reading when the program ends.
    std::shared_ptr<FileIcons> fileIcons;
};

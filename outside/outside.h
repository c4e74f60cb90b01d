#pragma once
// The outside components the program talks to, made once in wWinMain (the
// real ones) or by a test (fakes).

#include "outside/modal_ui.h"
#include "outside/notification_area.h"
#include "outside/shell.h"

struct Outside {
    NotificationArea& tray;
    ModalUi& ui;
    Shell& shell;
};

#pragma once
// The outside components the program reaches, handed in from wWinMain (the
// real ones) or from a test (fakes).

#include "app/environment.h"
#include "app/terminal_session.h"
#include "outside/about_box.h"
#include "outside/autorun_manager.h"
#include "outside/error_reporter.h"
#include "outside/file_dialog.h"
#include "outside/file_icon_loader.h"
#include "outside/modal_ui.h"
#include "outside/shell.h"
#include "outside/support_library.h"
#include "outside/sys_tray.h"

#include <functional>

struct Components {
    SupportLibrary& support;
    SysTrayFactory& trays;
    SettingsStoreFactory settings;
    FileIconLoaderFactory& iconLoaders;
    AutorunManager& autorun;
    AboutBox& aboutBox;
    FileDialogFactory& fileDialogs;
    ErrorReporter& errorReporter;
    ModalUi& ui;
    Shell& shell;
    std::function<bool()> isTerminalSession = IsTerminalSession;
};

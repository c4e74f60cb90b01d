// Start-up: one copy per session, the elements folder and options made
// ready, idle priority, then the hidden main window runs the program until
// it closes.

#include "base/error.h"
#include "base/handles.h"
#include "base/priority.h"
#include "environment/elements_folder.h"
#include "environment/options.h"
#include "environment/single_instance.h"
#include "outside/outside.h"
#include "tray/main_window.h"

#include <commctrl.h>

namespace {

int Run(HINSTANCE instance, ModalUi& ui) {
    // Held until the process ends: the name stays taken while this copy runs.
    const UniqueHandle instanceMutex = ClaimSingleInstance();
    if (!instanceMutex) return 0;

    const auto folder = PrepareElementsFolder(RoamingAppDataFolder(), ui);
    if (!folder) return 0;
    Options options = LoadOptions();
    RestAtIdlePriority();

    ShellNotificationArea tray;
    SystemShell shell;
    Outside outside{tray, ui, shell};
    MainWindow window(instance, outside, options, *folder);
    return window.Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // The shell's dialogs and the link object need a single-threaded apartment.
    const ComApartment apartment;
    SystemModalUi ui(instance);
    try {
        return Run(instance, ui);
    } catch (...) {
        ShowError(ui, CurrentError());
        return 1;
    }
}

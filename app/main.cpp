// Start-up: one copy per session, the elements folder and options made
// ready, idle priority, then the hidden main window runs the program until
// it closes.

#include "base/error.h"
#include "base/handles.h"
#include "base/priority.h"
#include "environment/elements_folder.h"
#include "environment/icon_ids.h"
#include "environment/library_search.h"
#include "environment/options.h"
#include "environment/single_instance.h"
#include "outside/outside.h"
#include "tray/main_window.h"

#include <commctrl.h>

#include <memory>

namespace {

// The program runs for the whole session: it must not keep the folder it
// was started from (a USB stick, a download folder) in use all that time.
void LeaveStartFolder() {
    wchar_t system[MAX_PATH] = L"";
    if (GetSystemDirectoryW(system, MAX_PATH)) SetCurrentDirectoryW(system);
}

int Run(HINSTANCE instance, ModalUi& ui) {
    // Held until the process ends: the name stays taken while this copy runs.
    const UniqueHandle instanceMutex = ClaimSingleInstance();
    // Started again, most likely because its icons sit in the overflow
    // where the user did not find them: the running copy shows its menu.
    if (!instanceMutex) {
        MainWindow::ShowRunningCopy();
        return 0;
    }
    LeaveStartFolder();
    // Closed by the Restart Manager (an installer updating a file it
    // uses), it is started again afterwards; not after a crash, a hang or a
    // reboot, where "start with Windows" decides.
    RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);

    const auto folder = PrepareElementsFolder(RoamingAppDataFolder(), ui);
    if (!folder) return 0;
    Options options = LoadOptions();
    RestAtIdlePriority();

    ShellNotificationArea tray;
    SystemShell shell;
    Outside outside{tray, ui, shell, std::make_shared<ShellFileIcons>()};
    MainWindow window(instance, outside, options, *folder, IconIdBookFile());
    return window.Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything loads a library: the common controls, COM and the
    // shell load more of them by name as they go.
    SearchLibrariesInSystemFolderOnly();
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

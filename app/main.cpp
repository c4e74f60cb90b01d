// Start-up: one instance, the elements folder and options made ready, idle
// priority, then the hidden main window runs the program until it closes.

#include "app/app_info.h"
#include "app/components.h"
#include "app/environment.h"
#include "app/errors.h"
#include "app/priority.h"
#include "app/texts.h"
#include "outside/single_instance_guard.h"
#include "outside/sys_tray_win32.h"
#include "tray/main_window.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

int RunMessageLoop() {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// The real outside components, alive for the whole run.
struct Win32Components {
    Win32Components(HINSTANCE instance, ModalUi& modalUi)
        : ui(modalUi),
          support(MakeWin32SupportLibrary(instance)),
          trays(MakeNotifyIconFactory(WMAPP_NOTIFYCALLBACK)),
          iconLoaders(MakeShellFileIconLoaderFactory()),
          autorun(MakeRegistryAutorunManager(kWindowsRunKey, support->GetEXEModulePrettyFileName())),
          aboutBox(MakeAboutDialog(instance)),
          fileDialogs(MakeCommonFileDialogFactory()),
          errorReporter(MakeMessageBoxErrorReporter(ui)),
          shell(MakeWin32Shell()) {}

    Components Wire() {
        return Components{*support, *trays, [] { return MakeRegistrySettingsStore(app_info::kSettingsKey); },
                          *iconLoaders, *autorun, *aboutBox, *fileDialogs, *errorReporter, ui, *shell};
    }

    ModalUi& ui;
    std::unique_ptr<SupportLibrary> support;
    std::unique_ptr<SysTrayFactory> trays;
    std::unique_ptr<FileIconLoaderFactory> iconLoaders;
    std::unique_ptr<AutorunManager> autorun;
    std::unique_ptr<AboutBox> aboutBox;
    std::unique_ptr<FileDialogFactory> fileDialogs;
    std::unique_ptr<ErrorReporter> errorReporter;
    std::unique_ptr<Shell> shell;
};

int Main(HINSTANCE instance, Win32Components& outside) {
    SupportLibrary& support = *outside.support;
    support.RegisterAppPath();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!support.IsInIDE()) support.SetWindowResIconAll(support.GetThunderMainHandle(), app_info::kMainIconResource);

    // Kept until the process ends: the name stays taken while this copy runs.
    const auto guard = MakeMutexInstanceGuard();
    if (!guard->Acquire(app_info::APP_GUID)) return 0;

    Components components = outside.Wire();
    AppState state;
    if (!PrepareEnvironment(state, support, components.settings, outside.ui)) return 0;

    SetIdlePriority(true);
    MainWindow frmMain(instance, components, state);
    frmMain.Load();
    return RunMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The shell's dialogs and the link object need a single-threaded apartment.
    const ComApartment apartment;
    const auto ui = MakeWin32ModalUi(instance);
    try {
        Win32Components outside(instance, *ui);
        return Main(instance, outside);
    } catch (...) {
        ReportUnhandledError(*ui, CurrentError());
        return 1;
    }
}

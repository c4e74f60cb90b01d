#pragma once
// "Создать ярлык...": a shortcut to any file, put into the elements folder.

#include "app/environment.h"
#include "outside/error_reporter.h"
#include "outside/file_dialog.h"
#include "outside/modal_ui.h"

#include <string>

struct ShortcutContext {
    HWND owner;  // the main window
    const AppState& state;
    FileDialogFactory& fileDialogs;
    ModalUi& ui;
    ErrorReporter& errorReporter;
};

// Asks for the target and a name, settles a clash with an existing file,
// then writes the shortcut.
void CreateShortcutInteractive(const ShortcutContext& context);

// Writes one shortcut file. Nothing happens when target or link path is
// empty; any failure is reported once through the error reporter.
void CreateShortcut(ErrorReporter& errorReporter, const std::wstring& linkPath, const std::wstring& targetPath,
                    const std::wstring& workingFolder, const std::wstring& arguments, const std::wstring& iconFile,
                    int iconIndex, int showCommand);

// True when the name, ".LNK" included, names a plain file right inside the
// elements folder: no path separator, no character the file system refuses,
// no device name, nothing the system would silently trim.
bool IsUsableShortcutName(const std::wstring& name);

// The overwrite question for a clash with an existing shortcut name.
std::wstring OverwriteQuestion(const std::wstring& shortcutName);

#pragma once
// "Создать ярлык...": a shortcut to any file, put into the elements folder.

#include "outside/modal_ui.h"

#include <string>

// Asks for the target and a name, settles a clash with an existing file,
// then writes the shortcut. Its icon comes with the folder watch.
void CreateShortcutInteractive(ModalUi& ui, HWND owner, const std::wstring& folder);

// Writes one shortcut to target, starting in workingFolder. A failure is
// reported to the user once, and a file the failed save itself made goes.
void CreateShortcut(ModalUi& ui, const std::wstring& linkPath, const std::wstring& target,
                    const std::wstring& workingFolder);

// True when the name, ".LNK" included, names a plain file right inside the
// elements folder: no path separator, no character the file system refuses,
// no device name.
bool IsUsableShortcutName(const std::wstring& name);

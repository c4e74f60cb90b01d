#pragma once
// Opens the elements folder in the shell, after making sure it holds the
// hint folder whose icon and tooltip tell the user what goes there.

#include "app/environment.h"
#include "outside/modal_ui.h"
#include "outside/shell.h"
#include "outside/support_library.h"

#include <string>

// The five lines of the hint folder's Desktop.INI, each ending in CR LF.
std::wstring HintDesktopIniText(const std::wstring& programPath);

void OpenElementsFolder(const AppState& state, SupportLibrary& support, Shell& shell, ModalUi& ui);

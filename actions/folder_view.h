#pragma once
// Opens the elements folder in the shell, after making sure it holds the
// hint folder whose icon and tooltip tell the user what goes there.

#include "outside/modal_ui.h"
#include "outside/shell.h"

#include <string>

void OpenElementsFolder(Shell& shell, ModalUi& ui, const std::wstring& folder);

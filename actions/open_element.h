#pragma once
// Opening an element, whether from a click, its shortcut key or the menu.

#include "outside/modal_ui.h"
#include "outside/shell.h"

#include <string>

// The file's default action, as a double click in Explorer, at the normal
// priority class, which what the shell starts inherits. Tells the user when
// the shell could not, and why, but not when the user declined a UAC
// prompt. The path is its own copy: the shell may run a loop in which the
// row changes.
void OpenElement(Shell& shell, ModalUi& ui, HWND owner, std::wstring path);

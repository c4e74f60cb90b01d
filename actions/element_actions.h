#pragma once
// What the user can do to one element: open it, move it to the Recycle Bin,
// show its Properties. Each takes its own copy of the path: the shell may run
// a message loop of its own, in which the icon row can change under it.

#include "outside/modal_ui.h"
#include "outside/shell.h"

#include <string>

// Opens the file as Explorer would; tells the user when the shell could not.
void OpenElement(Shell& shell, ModalUi& ui, HWND owner, std::wstring path);
void DeleteElement(Shell& shell, HWND owner, std::wstring path);
void ShowElementProperties(Shell& shell, HWND owner, std::wstring path);

#pragma once
// What the user can do to one element: open it, delete it to the Recycle
// Bin, show its Properties. Each is handed the element's full path.

#include "outside/modal_ui.h"
#include "outside/shell.h"

#include <string>

struct ElementActionContext {
    HWND owner;  // the main window
    Shell& shell;
    ModalUi& ui;
};

// Opens the file as Explorer would; tells the user when the shell could not,
// after the process is back at idle priority.
void RunElement(const ElementActionContext& context, const std::wstring& path);
void DeleteElement(const ElementActionContext& context, const std::wstring& path);
void ShowElementProperties(const ElementActionContext& context, const std::wstring& path);

// The element menu's click, by mnuIcon index, on the element whose menu was
// opened. Separators and unknown indexes do nothing.
void OnElementMenuClick(const ElementActionContext& context, int index, const std::wstring& path);

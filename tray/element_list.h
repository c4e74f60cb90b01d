#pragma once
// The row of element icons, rebuilt whole from the elements folder.

#include "app/environment.h"
#include "outside/file_icon_loader.h"
#include "tray/element_set.h"

#include <string>

// The tooltip of an element: its file name, less ".lnk", ".pif" or ".url"
// in any letter case.
std::wstring ElementDisplayName(const std::wstring& path);

std::wstring NoElementsBalloonText(const std::wstring& elementsPath);

// One element icon for the file at path; nothing when its icon cannot be
// loaded.
void AddElement(ElementSet& stElement, FileIconLoaderFactory& loaders, const std::wstring& path);

// Removes every element and adds one per visible file of the folder, in
// listing order. An error ends the scan and keeps what was added; an empty
// row gets the balloon on the main icon.
void RefreshElements(ElementSet& stElement, FileIconLoaderFactory& loaders, const AppState& state);

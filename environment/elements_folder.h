#pragma once
// The elements folder: Application Data\Quenwald\Vimbrel, made at start-up
// when missing.

#include "outside/modal_ui.h"

#include <optional>
#include <string>

// The user's roaming Application Data folder; empty when the shell knows none.
std::wstring RoamingAppDataFolder();

// The elements folder below appData, each missing level created. Throws the
// program's error 51 when appData is empty; after telling the user, nullopt
// when a level cannot be made (start-up cannot go on).
std::optional<std::wstring> PrepareElementsFolder(const std::wstring& appData, ModalUi& ui);

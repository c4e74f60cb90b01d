#pragma once
// The classic one-line input box: the prompt wrapped at the left, OK and
// Cancel at the right, the edit field across the bottom with its preset text
// selected. Enter is OK, Esc is Cancel.

#include <windows.h>

#include <optional>
#include <string>

// nullopt when the user cancelled.
std::optional<std::wstring> ShowInputBox(HINSTANCE instance, const std::wstring& prompt, const std::wstring& title,
                                         const std::wstring& preset);

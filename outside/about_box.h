#pragma once

#include <windows.h>

// The program's name, version, notices and dedication, with its icon; modal.
void ShowAboutBox(HINSTANCE instance, HWND owner);

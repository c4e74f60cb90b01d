#include "app/terminal_session.h"

#include <windows.h>

bool IsTerminalSession() { return GetSystemMetrics(SM_REMOTESESSION) != 0; }

#pragma once

// True when the program runs in a remote (terminal) session.
bool IsTerminalSession();

#pragma once

// Any non-zero flag puts the process into the idle priority class, zero into
// the normal class. The program rests at idle and takes the normal class only
// while it handles a tray click or asks the shell to open something.
void SetIdlePriority(int flag);

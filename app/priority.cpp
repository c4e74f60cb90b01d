#include "app/priority.h"

#include <windows.h>

void SetIdlePriority(int flag) {
    SetPriorityClass(GetCurrentProcess(), flag != 0 ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
}

#pragma once

#include "base/handles.h"

// A named mutex held for as long as the program runs, one per logged-on
// session: invalid when another copy in this session holds it already, or
// made it and keeps this one out of it.
// Throws when the mutex cannot be made at all.
UniqueHandle ClaimSingleInstance();

#pragma once
// The program's own environment, which everything it starts inherits. It
// runs for the whole session, so without this a variable the user changes
// (PATH, say) would reach nothing it launches until the next logon.

// Rebuilds the process environment from the user's current one, as Explorer
// does on WM_SETTINGCHANGE "Environment": a variable no longer there goes
// (not the per-drive current folders, "=C:" and the like, which the system
// keeps itself), every variable there is set. False, and nothing changed,
// when the user's environment cannot be had; false too when a variable
// could not be set.
bool RefreshEnvironment();

#pragma once
// Where the process looks for a library loaded by name alone. By default the
// program's own folder comes first, and the folder it lies in is often one
// others can write to (Downloads, a synced share): a library planted there
// under the name of one the program or the shell loads later would run
// inside it at every logon.

// From here on, libraries loaded by name come from System32 only. Called
// first thing, before anything can load one. Where Windows lacks the call
// (Windows 7 without KB2533623), at least the current folder is taken out of
// the search.
void SearchLibrariesInSystemFolderOnly();

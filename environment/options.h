#pragma once
// The options, kept in the registry between runs under
// HKCU\Software\Quenwald\Vimbrel.

struct Options {
    // Put the element icons back into the notification area once a minute.
    bool antiHide = true;
    // ...also in a remote (terminal) session.
    bool antiHideInRemoteSession = false;
    // Bring the program's icons out of the overflow onto the taskbar where
    // Windows lets a program do so (environment/icon_promotion.h). Off until
    // the user ticks it: Microsoft leaves that choice to the user.
    bool showOnTaskbar = false;
};

// A value missing, of another type or unreadable reads as its default: a
// value someone broke by hand must not keep the program from starting.
Options LoadOptions();
// The values that differ from those stored; throws when the registry refuses
// a write that was needed.
void SaveOptions(const Options& options);

#pragma once
// «Показывать значки на панели задач» where Windows keeps a record of each
// notification icon that a program may change: Windows 11 22H2 and later,
// under HKCU\Control Panel\NotifyIconSettings. Not documented, but stable:
// one key per icon once it has been shown, named by a number, with the
// program's path (ExecutablePath, either whole or with a known folder's GUID
// in front) and, once somebody has chosen, IsPromoted (1 on the taskbar, 0
// in the overflow). Explorer reads a change of IsPromoted at once.
//
// Microsoft's rule is that only the user promotes an icon. So this acts only
// while the user has ticked the item, and never changes a choice already
// made: a record of this program without IsPromoted gets 1, one with a value
// (0 or 1) keeps it, other programs' records are never touched. The records
// it promoted are remembered in the options key, and unticking takes
// IsPromoted away from those alone, unless the user has changed them since.

#include "base/handles.h"

#include <string>

inline constexpr wchar_t kNotifyIconSettingsKey[] = L"Control Panel\\NotifyIconSettings";

class IconPromotion {
public:
    // recordsKey: a key of HKEY_CURRENT_USER holding the records
    // (kNotifyIconSettingsKey; a test gives one of its own). programPath:
    // the program whose records count. While promoting, the window hears
    // `message` whenever the records change.
    IconPromotion(std::wstring recordsKey, std::wstring programPath, HWND window, UINT message);
    IconPromotion(const IconPromotion&) = delete;
    IconPromotion& operator=(const IconPromotion&) = delete;

    // Whether this Windows keeps such records; looked for anew while it does
    // not (Explorer makes the key with its first record).
    bool Available();
    // Promotes this program's records that hold no choice, and watches for
    // more: call it when the user ticks the item, at start while ticked,
    // and again each time `message` arrives. Throws when the names of the
    // records it promotes cannot be remembered; it then promotes none.
    void Promote();
    // Stops watching and takes IsPromoted away from the records it promoted
    // that still hold 1. Throws when one of them refused; that one stays
    // remembered, for the next time.
    void Withdraw();

private:
    static void CALLBACK Changed(void* self, BOOLEAN timedOut);

    std::wstring recordsKey_;
    std::wstring programPath_;
    HWND window_;
    UINT message_;
    UniqueKey records_;
    UniqueHandle changed_;
    UniquePoolWait wait_;  // last: closed first, while the event is still there
};

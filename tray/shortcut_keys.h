#pragma once
// The "Shortcut key" of each shortcut in the row, registered with Windows as
// a global hotkey of the window: Explorer honours a shortcut's key only on
// the Desktop and in the Start menu, and the elements folder is neither.
// Pressing one sends the window WM_HOTKEY with the key's id.
//
// A registered key is taken from every other program, and a shortcut may
// come from anywhere with any key stored in it. So only a key with Ctrl or
// Alt is registered, as Explorer's own hotkey field would store it: a bare
// letter, Space or F5 stays with whatever program the user types into.

#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Where an element's key stands.
enum class KeyState {
    None,        // no key
    Registered,  // pressing it opens the element
    Plain,       // without Ctrl or Alt: never registered
    Program,     // another program holds it
    Element,     // another element of the row holds it; it passes on when that one lets go
};

class ShortcutKeys {
public:
    explicit ShortcutKeys(HWND window) : window_(window) {}
    ~ShortcutKeys();
    ShortcutKeys(const ShortcutKeys&) = delete;
    ShortcutKeys& operator=(const ShortcutKeys&) = delete;

    // The element's key (as IShellLinkW::GetHotkey gives it) in place of the
    // one it had; 0 releases it. Answers the other elements whose key
    // changed hands meanwhile: a key let go passes to the next element that
    // wants it, and those still waiting now wait on that one.
    std::vector<UINT> Set(UINT element, WORD hotkey);
    KeyState StateOf(UINT element) const;
    // The element holding the key this one waits for (KeyState::Element).
    std::optional<UINT> HolderOf(UINT element) const;
    // The element a WM_HOTKEY id stands for.
    std::optional<UINT> ElementOf(WPARAM hotkeyId) const;

private:
    struct Key {
        WORD hotkey;
        KeyState state;
        int id;                    // of the registration, while Registered
        unsigned long long since;  // the first to want a key gets it next
    };
    // Registers the element's key if it may be, or says why not.
    void Claim(UINT element, Key& key);
    // Every element that wants the same key as hotkey.
    std::vector<UINT> Wanting(WORD hotkey) const;

    HWND window_;
    std::unordered_map<UINT, Key> keys_;  // by element
    int lastId_ = 0;
    unsigned long long lastWish_ = 0;
};

// A key as the user reads it, "Ctrl+Alt+K".
std::wstring HotkeyName(WORD hotkey);

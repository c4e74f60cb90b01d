#pragma once
// The "Shortcut key" of each shortcut in the row, registered with Windows as
// a global hotkey of the window: Explorer honours a shortcut's key only on
// the Desktop and in the Start menu, and the elements folder is neither.
// Pressing one sends the window WM_HOTKEY with the key's id.

#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>

class ShortcutKeys {
public:
    explicit ShortcutKeys(HWND window) : window_(window) {}
    ~ShortcutKeys();
    ShortcutKeys(const ShortcutKeys&) = delete;
    ShortcutKeys& operator=(const ShortcutKeys&) = delete;

    // The element's key (as IShellLinkW::GetHotkey gives it) registered in
    // place of the one it had; 0 releases it. False when Windows refuses the
    // key: another program holds it.
    bool Set(UINT element, WORD hotkey);
    // The element a WM_HOTKEY id stands for.
    std::optional<UINT> ElementOf(WPARAM hotkeyId) const;

private:
    struct Key {
        WORD hotkey;
        int id;
        bool registered;
    };
    void Release(UINT element);

    HWND window_;
    std::unordered_map<UINT, Key> keys_;  // by element
    int lastId_ = 0;
};

// A key as the user reads it, "Ctrl+Alt+K".
std::wstring HotkeyName(WORD hotkey);

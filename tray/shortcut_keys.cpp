#include "tray/shortcut_keys.h"

#include <commctrl.h>

namespace {

// Hotkey ids a program may use.
constexpr int kLastHotkeyId = 0xBFFF;

// HOTKEYF_* as the shortcut stores them, MOD_* as RegisterHotKey wants them:
// Shift and Alt trade places.
UINT Modifiers(WORD hotkey) {
    const BYTE flags = HIBYTE(hotkey);
    return ((flags & HOTKEYF_SHIFT) ? MOD_SHIFT : 0) | ((flags & HOTKEYF_CONTROL) ? MOD_CONTROL : 0) |
           ((flags & HOTKEYF_ALT) ? MOD_ALT : 0);
}

}  // namespace

ShortcutKeys::~ShortcutKeys() {
    for (const auto& [element, key] : keys_)
        if (key.registered) UnregisterHotKey(window_, key.id);
}

bool ShortcutKeys::Set(UINT element, WORD hotkey) {
    if (const auto found = keys_.find(element); found != keys_.end()) {
        if (found->second.hotkey == hotkey) return found->second.registered;
        Release(element);
    }
    if (LOBYTE(hotkey) == 0) return true;
    // Ids are not handed out again soon: a press queued for a key just
    // released must not reach the element that takes its id next.
    int id = lastId_;
    do {
        id = id % kLastHotkeyId + 1;
    } while (ElementOf(id) && id != lastId_);
    lastId_ = id;
    // One press, one launch: a key held down does not repeat.
    const bool registered = RegisterHotKey(window_, id, Modifiers(hotkey) | MOD_NOREPEAT, LOBYTE(hotkey)) != FALSE;
    keys_[element] = {hotkey, id, registered};
    return registered;
}

void ShortcutKeys::Release(UINT element) {
    const auto found = keys_.find(element);
    if (found == keys_.end()) return;
    if (found->second.registered) UnregisterHotKey(window_, found->second.id);
    keys_.erase(found);
}

std::optional<UINT> ShortcutKeys::ElementOf(WPARAM hotkeyId) const {
    for (const auto& [element, key] : keys_)
        if (key.registered && static_cast<WPARAM>(key.id) == hotkeyId) return element;
    return std::nullopt;
}

std::wstring HotkeyName(WORD hotkey) {
    const BYTE flags = HIBYTE(hotkey);
    std::wstring name;
    if (flags & HOTKEYF_CONTROL) name += L"Ctrl+";
    if (flags & HOTKEYF_ALT) name += L"Alt+";
    if (flags & HOTKEYF_SHIFT) name += L"Shift+";
    // The key's own name as the keyboard layout gives it; the arrows, Home
    // and the like are the "extended" keys of the scan code.
    const BYTE key = LOBYTE(hotkey);
    LONG scanCode = static_cast<LONG>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    if (flags & HOTKEYF_EXT) scanCode |= 1 << 24;
    wchar_t keyName[64] = L"";
    if (GetKeyNameTextW(scanCode, keyName, 64) > 0)
        name += keyName;
    else
        name += static_cast<wchar_t>(key);
    return name;
}

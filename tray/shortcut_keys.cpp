#include "tray/shortcut_keys.h"

#include <commctrl.h>

#include <algorithm>

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

// Two stored keys that Windows takes for one: the "extended" mark is no part of it.
bool SameKey(WORD a, WORD b) { return LOBYTE(a) == LOBYTE(b) && Modifiers(a) == Modifiers(b); }

}  // namespace

ShortcutKeys::~ShortcutKeys() {
    for (const auto& [element, key] : keys_)
        if (key.state == KeyState::Registered) UnregisterHotKey(window_, key.id);
}

std::vector<UINT> ShortcutKeys::Set(UINT element, WORD hotkey) {
    std::vector<UINT> changed;
    if (const auto found = keys_.find(element); found != keys_.end()) {
        if (found->second.hotkey == hotkey) return changed;
        const Key old = found->second;
        keys_.erase(found);
        if (old.state == KeyState::Registered) {
            UnregisterHotKey(window_, old.id);
            // The longest waiting gets the key; the rest now wait on it.
            changed = Wanting(old.hotkey);
            const auto next = std::min_element(changed.begin(), changed.end(),
                                               [&](UINT a, UINT b) { return keys_.at(a).since < keys_.at(b).since; });
            if (next != changed.end()) Claim(*next, keys_.at(*next));
        }
    }
    if (LOBYTE(hotkey) == 0) return changed;
    Key& key = keys_[element] = {hotkey, KeyState::None, 0, ++lastWish_};
    Claim(element, key);
    return changed;
}

void ShortcutKeys::Claim(UINT element, Key& key) {
    if ((Modifiers(key.hotkey) & (MOD_CONTROL | MOD_ALT)) == 0) {
        key.state = KeyState::Plain;
        return;
    }
    const std::vector<UINT> same = Wanting(key.hotkey);
    if (std::any_of(same.begin(), same.end(),
                    [&](UINT other) { return other != element && keys_.at(other).state == KeyState::Registered; })) {
        key.state = KeyState::Element;
        return;
    }
    // Ids are not handed out again soon: a press queued for a key just
    // released must not reach the element that takes its id next.
    int id = lastId_;
    do {
        id = id % kLastHotkeyId + 1;
    } while (ElementOf(id) && id != lastId_);
    lastId_ = id;
    // One press, one launch: a key held down does not repeat.
    const bool registered = RegisterHotKey(window_, id, Modifiers(key.hotkey) | MOD_NOREPEAT, LOBYTE(key.hotkey));
    key.state = registered ? KeyState::Registered : KeyState::Program;
    key.id = registered ? id : 0;
}

std::vector<UINT> ShortcutKeys::Wanting(WORD hotkey) const {
    std::vector<UINT> elements;
    for (const auto& [element, key] : keys_)
        if (SameKey(key.hotkey, hotkey)) elements.push_back(element);
    return elements;
}

KeyState ShortcutKeys::StateOf(UINT element) const {
    const auto found = keys_.find(element);
    return found != keys_.end() ? found->second.state : KeyState::None;
}

std::optional<UINT> ShortcutKeys::HolderOf(UINT element) const {
    const auto found = keys_.find(element);
    if (found == keys_.end()) return std::nullopt;
    for (const UINT other : Wanting(found->second.hotkey))
        if (keys_.at(other).state == KeyState::Registered) return other;
    return std::nullopt;
}

std::optional<UINT> ShortcutKeys::ElementOf(WPARAM hotkeyId) const {
    for (const auto& [element, key] : keys_)
        if (key.state == KeyState::Registered && static_cast<WPARAM>(key.id) == hotkeyId) return element;
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

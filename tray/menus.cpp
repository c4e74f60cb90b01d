#include "tray/menus.h"

#include "base/error.h"
#include "base/user_texts.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace {

// A row of a menu table: a command, a separator, or (only "Справка") the
// parent of a submenu.
struct Entry {
    UINT id;
    const wchar_t* caption;
};
constexpr Entry kSeparator{0, nullptr};

constexpr Entry kMainMenu[] = {
    {CommandId(MainCommand::CreateShortcut), texts::kMenuCreateShortcut},
    kSeparator,
    {CommandId(MainCommand::OpenFolder), texts::kMenuOpenFolder},
    {CommandId(MainCommand::Refresh), texts::kMenuRefresh},
    kSeparator,
    {CommandId(MainCommand::AntiHide), texts::kMenuAntiHide},
    {CommandId(MainCommand::AntiHideInRemoteSession), texts::kMenuAntiHideInRemoteSession},
    {CommandId(MainCommand::StartWithWindows), texts::kMenuStartWithWindows},
    {CommandId(MainCommand::ShowOnTaskbar), texts::kMenuShowOnTaskbar},
    kSeparator,
    {0, texts::kMenuHelp},
    kSeparator,
    {CommandId(MainCommand::Exit), texts::kMenuExit},
};
constexpr Entry kHelpMenu[] = {
    {CommandId(HelpCommand::About), texts::kMenuAbout},
};
constexpr Entry kElementMenu[] = {
    {CommandId(ElementCommand::Open), texts::kMenuOpen},
    kSeparator,
    {CommandId(ElementCommand::Delete), texts::kMenuDelete},
    kSeparator,
    {CommandId(ElementCommand::Properties), texts::kMenuProperties},
};

// A popup from its table; the one entry with a caption and no id opens
// `submenu`, which the popup then owns.
UniqueMenu BuildPopup(std::span<const Entry> entries, UniqueMenu submenu = {}) {
    UniqueMenu popup(CreatePopupMenu());
    if (!popup) ThrowLastError();
    for (const Entry& entry : entries) {
        BOOL appended = FALSE;
        if (!entry.caption)
            appended = AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
        else if (entry.id != 0)
            appended = AppendMenuW(popup.get(), MF_STRING, entry.id, entry.caption);
        else if ((appended = AppendMenuW(popup.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()),
                                         entry.caption)) != FALSE)
            submenu.release();
        if (!appended) ThrowLastError();
    }
    return popup;
}

// A menu shows an item's bitmap with its alpha channel only when it is a
// 32-bit bitmap with premultiplied alpha; an icon without an alpha channel
// takes it from its mask.
UniqueBitmap MenuBitmap(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {};
    const UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP size{};
    if (!color || !GetObjectW(color.get(), sizeof size, &size)) return {};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.bmWidth;
    format.bmiHeader.biHeight = -size.bmHeight;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    const auto count = static_cast<size_t>(size.bmWidth) * static_cast<size_t>(size.bmHeight);
    std::vector<std::uint32_t> maskBits(count);
    const WindowDC screen(nullptr);
    if (!bitmap || !GetDIBits(screen.get(), color.get(), 0, size.bmHeight, bits, &format, DIB_RGB_COLORS) ||
        !GetDIBits(screen.get(), mask.get(), 0, size.bmHeight, maskBits.data(), &format, DIB_RGB_COLORS))
        return {};
    const std::span pixels(static_cast<std::uint32_t*>(bits), count);
    const bool alpha = std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
    for (size_t i = 0; i < count; ++i) {
        const std::uint32_t p = pixels[i];
        const std::uint32_t a = alpha ? p >> 24 : ((maskBits[i] & 0xFFFFFF) != 0 ? 0 : 255);
        const auto scale = [a](std::uint32_t channel) { return (channel & 0xFF) * a / 255; };
        pixels[i] = (a << 24) | (scale(p >> 16) << 16) | (scale(p >> 8) << 8) | scale(p);
    }
    return bitmap;
}

// "&" in a file name is a letter, not the mark of a mnemonic.
std::wstring MenuText(std::wstring_view text) {
    std::wstring out;
    for (const wchar_t c : text) {
        if (c == L'&') out += L'&';
        out += c;
    }
    return out;
}

}  // namespace

Menus::Menus() : main_(BuildPopup(kMainMenu, BuildPopup(kHelpMenu))), element_(BuildPopup(kElementMenu)) {
    // "Открыть" in bold: what a plain click on the icon does.
    SetMenuDefaultItem(element_.get(), CommandId(ElementCommand::Open), FALSE);
    UniqueMenu elements(CreatePopupMenu());
    if (!elements ||
        !InsertMenuW(main_.get(), 0, MF_BYPOSITION | MF_POPUP | MF_GRAYED, reinterpret_cast<UINT_PTR>(elements.get()),
                     texts::kMenuElements) ||
        !InsertMenuW(main_.get(), 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr))
        ThrowLastError();
    elements_ = elements.release();
}

void Menus::SetElements(const std::vector<MenuElement>& elements) {
    while (DeleteMenu(elements_, 0, MF_BYPOSITION)) {
    }
    bitmaps_.clear();
    UINT id = kElementsMenuIdBase;
    for (const MenuElement& element : elements) {
        std::wstring text = MenuText(element.text.substr(0, element.text.find(L'\n')));
        if (!element.key.empty()) text += L"\t" + element.key;
        if (id > kLastMenuId || !AppendMenuW(elements_, MF_STRING, id, text.c_str())) break;
        if (UniqueBitmap bitmap = MenuBitmap(element.icon)) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_BITMAP;
            item.hbmpItem = bitmap.get();
            SetMenuItemInfoW(elements_, id, FALSE, &item);
            bitmaps_.push_back(std::move(bitmap));
        }
        ++id;
    }
}

void Menus::EnableElements(bool any) { EnableMenuItem(main_.get(), 0, MF_BYPOSITION | (any ? MF_ENABLED : MF_GRAYED)); }

std::optional<size_t> Menus::ElementFromId(UINT id) {
    if (id < kElementsMenuIdBase || id > kLastMenuId) return std::nullopt;
    return id - kElementsMenuIdBase;
}

void Menus::SetChecked(MainCommand command, bool checked) {
    CheckMenuItem(main_.get(), CommandId(command), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

#include "outside/sys_tray_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>

namespace {

template <size_t N>
void CopyTruncated(wchar_t (&target)[N], const std::wstring& text) {
    // The shell's fields are fixed-size; a long name is cut, never overrun.
    const size_t length = std::min(text.size(), N - 1);
    std::wmemcpy(target, text.data(), length);
    target[length] = L'\0';
}

class NotifyIcon final : public SysTray {
public:
    NotifyIcon(HWND owner, std::int16_t index, UINT callbackMessage)
        : owner_(owner), id_(static_cast<UINT>(static_cast<std::uint16_t>(index))), callback_(callbackMessage) {}

    ~NotifyIcon() override { SetInTray(false); }

    void SetText(const std::wstring& text) override {
        text_ = text;
        if (inTray_) Notify(NIM_MODIFY, NIF_TIP | NIF_SHOWTIP);
    }
    const std::wstring& Text() const override { return text_; }
    void SetTag(const std::wstring& tag) override { tag_ = tag; }
    const std::wstring& Tag() const override { return tag_; }

    void SetTrayIcon(UniqueIcon icon) override {
        icon_ = std::move(icon);
        if (inTray_) Notify(NIM_MODIFY, NIF_ICON);
    }
    HICON TrayIcon() const override { return icon_.get(); }

    void SetInTray(bool inTray) override {
        if (inTray == inTray_) return;
        inTray_ = inTray;
        if (inTray)
            Add();
        else
            Notify(NIM_DELETE, 0);
    }
    bool InTray() const override { return inTray_; }

    bool Restore() override {
        if (!inTray_) return true;
        // If the taskbar still has it, bringing it up to date is enough.
        return Add() || Notify(NIM_MODIFY, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
    }

    void ShowBalloon(const std::wstring& text, const std::wstring& title, int kind) override {
        NOTIFYICONDATAW data = Base(NIF_INFO);
        CopyTruncated(data.szInfo, text);
        CopyTruncated(data.szInfoTitle, title);
        data.dwInfoFlags = kind == 1 ? NIIF_INFO : NIIF_NONE;
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }

private:
    NOTIFYICONDATAW Base(UINT flags) const {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = owner_;
        data.uID = id_;
        data.uFlags = flags;
        data.uCallbackMessage = callback_;
        data.hIcon = icon_.get();
        CopyTruncated(data.szTip, text_);
        return data;
    }

    bool Notify(DWORD message, UINT flags) const {
        NOTIFYICONDATAW data = Base(flags);
        return Shell_NotifyIconW(message, &data) != FALSE;
    }

    // A refused add (no taskbar yet) is not an error: the icon comes back when
    // the taskbar announces itself.
    bool Add() const {
        if (!Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP)) return false;
        NOTIFYICONDATAW data = Base(0);
        data.uVersion = NOTIFYICON_VERSION_4;
        Shell_NotifyIconW(NIM_SETVERSION, &data);
        return true;
    }

    HWND owner_;
    UINT id_;
    UINT callback_;
    std::wstring text_, tag_;
    UniqueIcon icon_;
    bool inTray_ = false;
};

class NotifyIconFactory final : public SysTrayFactory {
public:
    explicit NotifyIconFactory(UINT callbackMessage) : callback_(callbackMessage) {}
    std::unique_ptr<SysTray> Create(HWND owner, std::int16_t index) override {
        return std::make_unique<NotifyIcon>(owner, index, callback_);
    }

private:
    UINT callback_;
};

}  // namespace

std::unique_ptr<SysTrayFactory> MakeNotifyIconFactory(UINT callbackMessage) {
    return std::make_unique<NotifyIconFactory>(callbackMessage);
}

std::optional<TrayClickEvent> DecodeTrayCallback(WPARAM, LPARAM lParam) {
    // Version 4 of the protocol: the event in the low word, the icon's id in
    // the high word. A click arrives as NIN_SELECT (or NIN_KEYSELECT from the
    // keyboard), a right click or the menu key as WM_CONTEXTMENU.
    const auto index = static_cast<std::int16_t>(HIWORD(lParam));
    switch (LOWORD(lParam)) {
        case NIN_SELECT:
        case NIN_KEYSELECT: return TrayClickEvent{index, kTrayButtonLeft};
        case WM_CONTEXTMENU: return TrayClickEvent{index, kTrayButtonRight};
        case WM_MBUTTONUP: return TrayClickEvent{index, kTrayButtonMiddle};
        default: return std::nullopt;
    }
}

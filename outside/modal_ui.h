#pragma once
// Every modal window the program opens of its own goes through here, so that
// tests answer them instead of a user.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

class ModalUi {
public:
    virtual ~ModalUi() = default;
    // MessageBoxW with the application title as caption; answers IDOK, IDYES...
    virtual int MessageBox(const std::wstring& text, UINT style) = 0;
    // The one-line input box; nullopt when cancelled.
    virtual std::optional<std::wstring> InputBox(const std::wstring& prompt, const std::wstring& title,
                                                 const std::wstring& preset) = 0;
    // A popup menu at the mouse, owned by `owner`; answers the chosen
    // command id, 0 when the menu was dismissed.
    virtual UINT PopupMenu(HMENU menu, HWND owner) = 0;
};

std::unique_ptr<ModalUi> MakeWin32ModalUi(HINSTANCE instance);

#pragma once
// Every modal window the program opens goes through here, so that tests can
// answer them in place of a user.

#include "base/error.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// The command chosen from a popup menu, 0 for none; a menu cancelled with
// Esc hands the keyboard back to where it came from.
struct MenuChoice {
    UINT command = 0;
    bool cancelledFromKeyboard = false;
};

class ModalUi {
public:
    virtual ~ModalUi() = default;
    // A message box under the application title; answers IDOK, IDYES...
    virtual int MessageBox(const std::wstring& text, UINT style) = 0;
    // The one-line input box under the application title; nullopt when cancelled.
    virtual std::optional<std::wstring> InputBox(const std::wstring& prompt, const std::wstring& preset) = 0;
    // The open-file dialog for any file; nullopt when the user chose none.
    virtual std::optional<std::wstring> ChooseFile(HWND owner) = 0;
    virtual void ShowAbout(HWND owner) = 0;
    // A popup menu at that point of the screen; its owner gets
    // WM_INITMENUPOPUP as each submenu opens.
    virtual MenuChoice PopupMenu(HMENU menu, HWND owner, POINT at) = 0;
};

// The one way a failure reaches the user: the message, if any, then the
// error's number and description, in a box with the error icon.
void ShowError(ModalUi& ui, const Error& error, std::wstring_view message = {});

class SystemModalUi final : public ModalUi {
public:
    explicit SystemModalUi(HINSTANCE instance) : instance_(instance) {}
    int MessageBox(const std::wstring& text, UINT style) override;
    std::optional<std::wstring> InputBox(const std::wstring& prompt, const std::wstring& preset) override;
    std::optional<std::wstring> ChooseFile(HWND owner) override;
    void ShowAbout(HWND owner) override;
    MenuChoice PopupMenu(HMENU menu, HWND owner, POINT at) override;

private:
    HINSTANCE instance_;
};

#pragma once

#include <windows.h>

#include <memory>
#include <string>

class AboutBox {
public:
    virtual ~AboutBox() = default;
    // Modal; returns when the user closes it. picture: an icon to show
    // instead of the program's own, or null.
    virtual void Show(HWND owner, const std::wstring& extraText, HICON picture,
                      const std::wstring& dedication) = 0;
};

std::unique_ptr<AboutBox> MakeAboutDialog(HINSTANCE instance);

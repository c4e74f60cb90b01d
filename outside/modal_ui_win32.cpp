#include "outside/modal_ui.h"

#include "app/texts.h"
#include "outside/input_box.h"

namespace {

class Win32ModalUi final : public ModalUi {
public:
    explicit Win32ModalUi(HINSTANCE instance) : instance_(instance) {}

    int MessageBox(const std::wstring& text, UINT style) override {
        // No owner: the program has no visible window, and the box must come
        // to the front on its own, which MB_SETFOREGROUND is documented to do.
        // Wine's desktop may draw such a box with an inactive caption although
        // it has the keyboard (Return answers it): a look, not a fault, and
        // not worth a hook or a system-modal box to change.
        return ::MessageBoxW(nullptr, text.c_str(), texts::kAppTitle, style | MB_SETFOREGROUND);
    }

    std::optional<std::wstring> InputBox(const std::wstring& prompt, const std::wstring& title,
                                         const std::wstring& preset) override {
        return ShowInputBox(instance_, nullptr, prompt, title, preset);
    }

    UINT PopupMenu(HMENU menu, HWND owner) override {
        POINT at{};
        GetCursorPos(&at);
        const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
            menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, owner, nullptr));
        // Without this the next menu would not close when the user clicks
        // elsewhere.
        PostMessageW(owner, WM_NULL, 0, 0);
        return chosen;
    }

private:
    HINSTANCE instance_;
};

}  // namespace

std::unique_ptr<ModalUi> MakeWin32ModalUi(HINSTANCE instance) { return std::make_unique<Win32ModalUi>(instance); }

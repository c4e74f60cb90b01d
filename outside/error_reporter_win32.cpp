#include "outside/error_reporter.h"

#include "app/texts.h"
#include "outside/modal_ui.h"

namespace {

class MessageBoxErrorReporter final : public ErrorReporter {
public:
    explicit MessageBoxErrorReporter(ModalUi& ui) : ui_(ui) {}

    void ShowError(const AppError& error, const std::wstring& message) override {
        std::wstring text = message;
        text += L"\r\n\r\n";
        text += texts::kErrorNumberPrefix + ErrorNumberText(error.Number());
        if (!error.Description().empty()) text += L": " + error.Description();
        ui_.MessageBox(text, MB_OK | MB_ICONERROR);
    }

private:
    ModalUi& ui_;
};

}  // namespace

std::unique_ptr<ErrorReporter> MakeMessageBoxErrorReporter(ModalUi& ui) {
    return std::make_unique<MessageBoxErrorReporter>(ui);
}

#pragma once
// Shows the user a failure: the message with the error's number and
// description, in a box with the error icon.

#include "app/errors.h"

#include <memory>
#include <string>

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void ShowError(const AppError& error, const std::wstring& message) = 0;
};

class ModalUi;
std::unique_ptr<ErrorReporter> MakeMessageBoxErrorReporter(ModalUi& ui);

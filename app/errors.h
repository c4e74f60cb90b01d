#pragma once
// A failure status of any outside call becomes an AppError carrying the
// error's number and description. It is caught at the edge of every event
// handler and of wWinMain, never crossing a window procedure.

#include <windows.h>

#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
public:
    AppError(long number, std::wstring description);

    long Number() const noexcept { return number_; }
    const std::wstring& Description() const noexcept { return description_; }

private:
    long number_;
    std::wstring description_;
};

// The system's own text for a Win32 error code or HRESULT, without the
// trailing line break FormatMessage adds.
std::wstring DescribeSystemError(DWORD code);

[[noreturn]] void ThrowWin32Error(DWORD code);
[[noreturn]] void ThrowLastError();
void ThrowIfFailed(HRESULT hr);

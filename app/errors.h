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

// What a failed allocation (std::bad_alloc) is reported as, with the
// description texts::kOutOfMemory.
inline constexpr long kErrorOutOfMemory = 7;

// The exception being handled, as the AppError the user is shown: itself,
// out of memory, or any other failure as an internal error with its text.
// Call only inside a catch block.
AppError CurrentError();

// The system's own text for a Win32 error code or HRESULT, without the
// trailing line break FormatMessage adds.
std::wstring DescribeSystemError(DWORD code);

// An error number as the user is shown it: HRESULTs read best in hex
// (0x80070005), plain error codes in decimal.
std::wstring ErrorNumberText(long number);

[[noreturn]] void ThrowWin32Error(DWORD code);
[[noreturn]] void ThrowLastError();
void ThrowIfFailed(HRESULT hr);

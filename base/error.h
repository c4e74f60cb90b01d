#pragma once
// The program's one error type. A Win32 error code, a COM HRESULT and the
// program's own numbers are kept apart, because each is shown differently.
// It is caught at the edge of every message handler and of wWinMain, never
// crossing a window procedure.

#include <windows.h>

#include <stdexcept>
#include <string>

class Error : public std::runtime_error {
public:
    enum class Source { Win32, Com, Program };

    static Error FromWin32(DWORD code);
    static Error FromHResult(HRESULT hr);
    static Error Program(long number, std::wstring description);

    Source source() const noexcept { return source_; }
    long code() const noexcept { return code_; }
    const std::wstring& description() const noexcept { return description_; }

private:
    Error(Source source, long code, std::wstring description);

    Source source_;
    long code_;
    std::wstring description_;
};

// Numbers of the program's own errors.
inline constexpr long kErrorOutOfMemory = 7;
inline constexpr long kErrorNoAppData = 51;

// "Ошибка 5: Отказано в доступе", "Ошибка 0x80070005: ...": the one way an
// error reads to the user.
std::wstring ErrorText(const Error& error);
// Why a call failed, as a sentence of the system's own for the Win32 code,
// or as ErrorText where the system has none.
std::wstring ReasonText(DWORD code);

// The exception being handled, as an Error: itself, out of memory, or any
// other failure as an internal error with its text. Only inside a catch block.
Error CurrentError();

[[noreturn]] void ThrowLastError();
void ThrowIfFailed(HRESULT hr);

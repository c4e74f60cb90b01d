#include "app/errors.h"

#include "app/handles.h"
#include "app/text.h"
#include "app/texts.h"

#include <cwchar>
#include <iterator>

AppError::AppError(long number, std::wstring description)
    : std::runtime_error(Narrow(description)), number_(number), description_(std::move(description)) {}

std::wstring DescribeSystemError(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const ScopeExit freeBuffer([&] { LocalFree(buffer); });
    std::wstring text;
    if (length != 0 && buffer) text.assign(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty()) text = texts::kErrorNumberPrefix + ErrorNumberText(static_cast<long>(code));
    return text;
}

std::wstring ErrorNumberText(long number) {
    if (number >= 0) return std::to_wstring(number);
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"0x%08lX", static_cast<unsigned long>(number));
    return text;
}

void ThrowWin32Error(DWORD code) {
    throw AppError(static_cast<long>(code), DescribeSystemError(code));
}

void ThrowLastError() {
    const DWORD code = GetLastError();
    ThrowWin32Error(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE);
}

void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw AppError(static_cast<long>(hr), DescribeSystemError(static_cast<DWORD>(hr)));
}

AppError CurrentError() {
    try {
        throw;
    } catch (const AppError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return AppError(kErrorOutOfMemory, texts::kOutOfMemory);
    } catch (const std::exception& error) {
        return AppError(ERROR_INTERNAL_ERROR, Widen(error.what()));
    } catch (...) {
        return AppError(ERROR_INTERNAL_ERROR, DescribeSystemError(ERROR_INTERNAL_ERROR));
    }
}

#include "base/error.h"

#include "base/handles.h"
#include "base/strings.h"
#include "base/user_texts.h"

#include <cwchar>

namespace {

// The system's own words for a code, without the line break and full stop
// FormatMessage ends them with.
std::wstring SystemText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const ScopeExit freeBuffer([&] { LocalFree(buffer); });
    std::wstring text;
    if (length != 0 && buffer) text.assign(buffer, length);
    while (!text.empty() && std::wcschr(L"\r\n .", text.back())) text.pop_back();
    return text;
}

}  // namespace

Error::Error(Source source, long code, std::wstring description)
    : std::runtime_error(Narrow(description)),
      source_(source),
      code_(code),
      description_(std::move(description)) {}

Error Error::FromWin32(DWORD code) { return Error(Source::Win32, static_cast<long>(code), SystemText(code)); }

Error Error::FromHResult(HRESULT hr) {
    return Error(Source::Com, static_cast<long>(hr), SystemText(static_cast<DWORD>(hr)));
}

Error Error::Program(long number, std::wstring description) {
    return Error(Source::Program, number, std::move(description));
}

std::wstring ErrorText(const Error& error) {
    // An HRESULT reads best in hex (0x80070005, always eight digits), anything
    // else in decimal.
    const bool hex = error.source() == Error::Source::Com;
    const bool negative = !hex && error.code() < 0;
    unsigned long value = static_cast<unsigned long>(error.code());
    if (negative) value = 0 - value;
    std::wstring text = texts::kErrorNumberPrefix;
    text += hex ? L"0x" : negative ? L"-" : L"";
    text += hex ? Digits(value, 16, 8) : Digits(value);
    if (!error.description().empty()) text += L": " + error.description();
    return text;
}

std::wstring ReasonText(DWORD code) {
    const std::wstring sentence = SystemText(code);
    return sentence.empty() ? ErrorText(Error::FromWin32(code)) : sentence + L".";
}

Error CurrentError() {
    try {
        throw;
    } catch (const Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return Error::Program(kErrorOutOfMemory, texts::kOutOfMemory);
    } catch (const std::exception& error) {
        return Error::Program(ERROR_INTERNAL_ERROR, Widen(error.what()));
    } catch (...) {
        return Error::FromWin32(ERROR_INTERNAL_ERROR);
    }
}

void ThrowLastError() {
    const DWORD code = GetLastError();
    throw Error::FromWin32(code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE);
}

void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw Error::FromHResult(hr);
}

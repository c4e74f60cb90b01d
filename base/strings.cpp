#include "base/strings.h"

#include <windows.h>

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring FoldCase(std::wstring_view text) {
    // CompareStringOrdinal ignores case by the system's upper-case table,
    // which is what the invariant locale's simple upper-casing applies.
    std::wstring folded(text);
    if (!folded.empty())
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()), folded.data(),
                      static_cast<int>(folded.size()), nullptr, nullptr, 0);
    return folded;
}

std::wstring Quoted(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size() + 2);
    out += L'"';
    out += text;
    out += L'"';
    return out;
}

std::wstring FillIn(std::wstring_view text, std::wstring_view value, std::wstring_view second) {
    std::wstring out(text);
    // The second first: the value put in for "%1" may itself hold "%2".
    if (const size_t at = out.find(L"%2"); at != std::wstring::npos) out.replace(at, 2, second);
    if (const size_t at = out.find(L"%1"); at != std::wstring::npos) out.replace(at, 2, value);
    return out;
}

std::wstring Digits(unsigned long long value, unsigned base, size_t atLeast) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), L"0123456789ABCDEF"[value % base]);
        value /= base;
    } while (value != 0 || digits.size() < atLeast);
    return digits;
}

std::wstring_view FitText(std::wstring_view text, size_t capacity) {
    if (capacity == 0) return {};
    if (text.size() < capacity) return text;
    size_t length = capacity - 1;
    // Half a pair would be drawn as a box.
    if (IS_HIGH_SURROGATE(text[length - 1])) --length;
    return text.substr(0, length);
}

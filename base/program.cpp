#include "base/program.h"

#include "base/error.h"

#include <windows.h>

#include <vector>

std::wstring program::Path() {
    // Sized from the answer, not MAX_PATH: the program may live in a long path.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) ThrowLastError();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

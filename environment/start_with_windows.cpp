#include "environment/start_with_windows.h"

#include "base/program.h"
#include "base/text.h"

#include <windows.h>

#include <vector>

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

bool StartsWithWindows(const std::wstring& programPath) {
    // An expandable string counts too: RegGetValue expands it and hands it
    // over as REG_SZ.
    constexpr DWORD kStrings = RRF_RT_REG_SZ;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, program::kGuid, kStrings, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, program::kGuid, kStrings, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return false;
    std::wstring command(buffer.data());
    // The path may stand in quotes and be followed by arguments.
    if (!command.empty() && command.front() == L'"') command = command.substr(1, command.find(L'"', 1) - 1);
    return EqualsIgnoreCase(command, programPath);
}

bool SetStartWithWindows(const std::wstring& programPath, bool start) {
    if (!start) {
        const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, program::kGuid);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    // Quoted, so a path with blanks is not read as a program and arguments.
    const std::wstring command = Quoted(programPath);
    return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, program::kGuid, REG_SZ, command.c_str(),
                           static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

#include "environment/start_with_windows.h"

#include "base/error.h"
#include "base/program.h"
#include "base/strings.h"

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Not documented, but written the same way by Task Manager and Settings
// since Windows 8: the first byte of the value is 2 or 6 for an entry left
// on, 3 or 7 for one switched off. No value means on.
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr BYTE kSwitchedOffBit = 1;

// The data of our value under key, when there is one of the types asked for.
std::optional<std::vector<BYTE>> ReadValue(const wchar_t* key, DWORD types) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, program::kGuid, types, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegGetValueW(HKEY_CURRENT_USER, key, program::kGuid, types, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

void Check(LSTATUS status) {
    if (status != ERROR_SUCCESS) throw Error::FromWin32(static_cast<DWORD>(status));
}

// Removing what is not there leaves the state asked for, even in a key we
// may not write to: the value is only looked for first.
void DeleteOurValue(const wchar_t* key) {
    if (!ReadValue(key, RRF_RT_ANY)) return;
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, key, program::kGuid);
    if (status != ERROR_FILE_NOT_FOUND) Check(status);
}

}  // namespace

bool StartsWithWindows(const std::wstring& programPath) {
    // An expandable string counts too: RegGetValue expands it and hands it
    // over as REG_SZ.
    const auto data = ReadValue(kRunKey, RRF_RT_REG_SZ);
    if (!data) return false;
    const std::wstring_view stored(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
    std::wstring command(stored.substr(0, stored.find(L'\0')));
    // The path may stand in quotes and be followed by arguments.
    if (!command.empty() && command.front() == L'"') command = command.substr(1, command.find(L'"', 1) - 1);
    if (!EqualsIgnoreCase(command, programPath)) return false;
    const auto approval = ReadValue(kApprovedKey, RRF_RT_REG_BINARY);
    return !approval || approval->empty() || (approval->front() & kSwitchedOffBit) == 0;
}

void SetStartWithWindows(const std::wstring& programPath, bool start) {
    if (!start) {
        DeleteOurValue(kRunKey);
        return;
    }
    // Quoted, so a path with blanks is not read as a program and arguments.
    const std::wstring command = Quoted(programPath);
    Check(RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, program::kGuid, REG_SZ, command.c_str(),
                          static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))));
    // Without our value there the entry counts as on.
    DeleteOurValue(kApprovedKey);
}

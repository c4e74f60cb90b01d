#include "environment/options.h"

#include "base/error.h"
#include "base/handles.h"
#include "base/program.h"

namespace {

constexpr wchar_t kAntiHideValue[] = L"Anti-Hide";
constexpr wchar_t kAntiHideInRemoteSessionValue[] = L"Enable Anti-Hide on TS";

bool ReadFlag(const wchar_t* name, bool defaultValue) {
    DWORD value = 0, size = sizeof value, type = 0;
    const LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, program::kOptionsKey, name, RRF_RT_ANY, &type, &value, &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return defaultValue;
    return value != 0;
}

void WriteFlag(HKEY key, const wchar_t* name, bool flag) {
    const DWORD value = flag ? 1 : 0;
    const LSTATUS status =
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (status != ERROR_SUCCESS) throw Error::FromWin32(static_cast<DWORD>(status));
}

}  // namespace

Options LoadOptions() {
    const Options defaults;
    return {ReadFlag(kAntiHideValue, defaults.antiHide),
            ReadFlag(kAntiHideInRemoteSessionValue, defaults.antiHideInRemoteSession)};
}

void SaveOptions(const Options& options) {
    HKEY raw = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, program::kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE,
                                           nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS) throw Error::FromWin32(static_cast<DWORD>(status));
    const UniqueRegKey key(raw);
    WriteFlag(key.get(), kAntiHideValue, options.antiHide);
    WriteFlag(key.get(), kAntiHideInRemoteSessionValue, options.antiHideInRemoteSession);
}

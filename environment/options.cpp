#include "environment/options.h"

#include "base/error.h"
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

// The key is made when it is missing.
void WriteFlag(const wchar_t* name, bool flag) {
    const DWORD value = flag ? 1 : 0;
    const LSTATUS status =
        RegSetKeyValueW(HKEY_CURRENT_USER, program::kOptionsKey, name, REG_DWORD, &value, sizeof value);
    if (status != ERROR_SUCCESS) throw Error::FromWin32(static_cast<DWORD>(status));
}

}  // namespace

Options LoadOptions() {
    const Options defaults;
    return {ReadFlag(kAntiHideValue, defaults.antiHide),
            ReadFlag(kAntiHideInRemoteSessionValue, defaults.antiHideInRemoteSession)};
}

void SaveOptions(const Options& options) {
    WriteFlag(kAntiHideValue, options.antiHide);
    WriteFlag(kAntiHideInRemoteSessionValue, options.antiHideInRemoteSession);
}

#include "environment/options.h"

#include "base/error.h"
#include "base/program.h"

#include <optional>

namespace {

constexpr wchar_t kAntiHideValue[] = L"Anti-Hide";
constexpr wchar_t kAntiHideInRemoteSessionValue[] = L"Enable Anti-Hide on TS";
constexpr wchar_t kShowOnTaskbarValue[] = L"ShowOnTaskbar";

// Nothing for a value missing, of another type or unreadable.
std::optional<bool> StoredFlag(const wchar_t* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    const LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, program::kOptionsKey, name, RRF_RT_ANY, &type, &value, &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value != 0;
}

// Only a flag that differs from the stored one is written: a key the user
// may read but not write (a policy, a locked-down profile) must not fail
// every exit when nothing changed. The key is made when it is missing.
void SaveFlag(const wchar_t* name, bool flag) {
    if (StoredFlag(name) == flag) return;
    const DWORD value = flag ? 1 : 0;
    const LSTATUS status =
        RegSetKeyValueW(HKEY_CURRENT_USER, program::kOptionsKey, name, REG_DWORD, &value, sizeof value);
    if (status != ERROR_SUCCESS) throw Error::FromWin32(static_cast<DWORD>(status));
}

}  // namespace

Options LoadOptions() {
    const Options defaults;
    return {StoredFlag(kAntiHideValue).value_or(defaults.antiHide),
            StoredFlag(kAntiHideInRemoteSessionValue).value_or(defaults.antiHideInRemoteSession),
            StoredFlag(kShowOnTaskbarValue).value_or(defaults.showOnTaskbar)};
}

void SaveOptions(const Options& options) {
    SaveFlag(kAntiHideValue, options.antiHide);
    SaveFlag(kAntiHideInRemoteSessionValue, options.antiHideInRemoteSession);
    SaveFlag(kShowOnTaskbarValue, options.showOnTaskbar);
}

#include "environment/single_instance.h"

#include "base/error.h"
#include "base/program.h"

#include <string>

UniqueHandle ClaimSingleInstance() {
    // Local\: each user of a shared machine gets a copy of their own.
    const std::wstring name = std::wstring(L"Local\\") + program::kGuid;
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
    const DWORD error = GetLastError();
    // Denied: a copy running elevated, or at another integrity level, made
    // the mutex, and its default security keeps this copy out of it.
    if (!mutex && error == ERROR_ACCESS_DENIED) return mutex;
    if (!mutex) ThrowLastError();
    if (error == ERROR_ALREADY_EXISTS) mutex.reset();
    return mutex;
}

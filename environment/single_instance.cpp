#include "environment/single_instance.h"

#include "base/error.h"
#include "base/program.h"

#include <string>

UniqueHandle ClaimSingleInstance() {
    // Local\: each user of a shared machine gets a copy of their own.
    const std::wstring name = std::wstring(L"Local\\") + program::kGuid;
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!mutex) ThrowLastError();
    if (GetLastError() == ERROR_ALREADY_EXISTS) mutex.reset();
    return mutex;
}

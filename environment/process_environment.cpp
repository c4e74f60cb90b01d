#include "environment/process_environment.h"

#include "base/handles.h"
#include "base/system_function.h"
#include "base/strings.h"

#include <userenv.h>

#include <cwchar>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// userenv is no known DLL: imported, it would be looked for beside the
// program first.
using CreateEnvironmentBlockFunction = decltype(&CreateEnvironmentBlock);
using DestroyEnvironmentBlockFunction = decltype(&DestroyEnvironmentBlock);

// The "name=value" strings of an environment block, which ends with an
// empty one.
std::vector<std::wstring> Entries(const wchar_t* block) {
    std::vector<std::wstring> entries;
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) entries.emplace_back(entry);
    return entries;
}

// The system's own "=C:" entries start with the '=' that elsewhere ends the name.
std::wstring_view NameOf(std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); }

}  // namespace

bool RefreshEnvironment() {
    static const auto create = SystemFunction<CreateEnvironmentBlockFunction>(L"userenv.dll", "CreateEnvironmentBlock");
    static const auto destroy =
        SystemFunction<DestroyEnvironmentBlockFunction>(L"userenv.dll", "DestroyEnvironmentBlock");
    if (!create || !destroy) return false;
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &rawToken)) return false;
    const UniqueHandle token(rawToken);
    void* block = nullptr;
    // Not inherited: the new block holds only what the user's environment
    // holds now, so that what was deleted from it can be told.
    if (!create(&block, token.get(), FALSE)) return false;
    const ScopeExit destroyBlock([&] { destroy(block); });
    const std::vector<std::wstring> fresh = Entries(static_cast<const wchar_t*>(block));

    wchar_t* current = GetEnvironmentStringsW();
    if (!current) return false;
    const ScopeExit freeCurrent([&] { FreeEnvironmentStringsW(current); });
    // Names are compared as Windows compares them: "Path" is "PATH".
    std::set<std::wstring> freshNames;
    for (const std::wstring& entry : fresh) freshNames.insert(FoldCase(NameOf(entry)));
    bool allSet = true;
    // Entries of a copy: the environment itself changes under the loop.
    for (const std::wstring& entry : Entries(current)) {
        const std::wstring name(NameOf(entry));
        if (name.front() != L'=' && freshNames.count(FoldCase(name)) == 0)
            allSet &= SetEnvironmentVariableW(name.c_str(), nullptr) != FALSE;
    }
    for (const std::wstring& entry : fresh) {
        const std::wstring_view name = NameOf(entry);
        const std::wstring value = name.size() < entry.size() ? entry.substr(name.size() + 1) : std::wstring();
        allSet &= SetEnvironmentVariableW(std::wstring(name).c_str(), value.c_str()) != FALSE;
    }
    return allSet;
}

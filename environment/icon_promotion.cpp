#include "environment/icon_promotion.h"

#include "base/error.h"
#include "base/program.h"
#include "base/strings.h"

#include <shlobj.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr wchar_t kPathValue[] = L"ExecutablePath";
constexpr wchar_t kPromotedValue[] = L"IsPromoted";
// In the options key: the names of the records this program promoted.
constexpr wchar_t kPromotedRecordsValue[] = L"PromotedIcons";

void Check(LSTATUS status) {
    if (status != ERROR_SUCCESS) throw Error::FromWin32(static_cast<DWORD>(status));
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A string value's data with its closing NULs (REG_SZ, or REG_MULTI_SZ);
// nothing when it is missing, of another type or unreadable.
std::optional<std::wstring> ReadText(HKEY key, const wchar_t* subKey, const wchar_t* name, DWORD type) {
    DWORD size = 0;
    if (RegGetValueW(key, subKey, name, type, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key, subKey, name, type, nullptr, text.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    text.resize(size / sizeof(wchar_t));
    return text;
}

std::vector<std::wstring> Remembered() {
    std::vector<std::wstring> names;
    const auto data = ReadText(HKEY_CURRENT_USER, program::kOptionsKey, kPromotedRecordsValue, RRF_RT_REG_MULTI_SZ);
    for (size_t start = 0; data && start < data->size();) {
        const size_t end = std::min(data->find(L'\0', start), data->size());
        if (end > start) names.push_back(data->substr(start, end - start));
        start = end + 1;
    }
    return names;
}

void Remember(const std::vector<std::wstring>& names) {
    if (names.empty()) {
        const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, program::kOptionsKey, kPromotedRecordsValue);
        if (status != ERROR_FILE_NOT_FOUND) Check(status);
        return;
    }
    std::wstring data;
    for (const std::wstring& name : names) data += name + L'\0';
    data += L'\0';
    Check(RegSetKeyValueW(HKEY_CURRENT_USER, program::kOptionsKey, kPromotedRecordsValue, REG_MULTI_SZ, data.data(),
                          static_cast<DWORD>(data.size() * sizeof(wchar_t))));
}

// The folder a known folder's GUID stands for, as Explorer sees it; empty
// when there is none.
std::wstring KnownFolder(const std::wstring& guid) {
    GUID id{};
    if (FAILED(IIDFromString(guid.c_str(), &id))) return {};
    // On 64-bit Windows Explorer is a 64-bit program, and Program Files is
    // to it the 64-bit one, which a 32-bit program asking for either GUID
    // does not get (Program Files (x86), or an error): WOW64 gives it that
    // folder as ProgramW6432 instead.
    BOOL wow64 = FALSE;
    if ((id == FOLDERID_ProgramFiles || id == FOLDERID_ProgramFilesX64) &&
        IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
        wchar_t folder[MAX_PATH] = L"";
        const DWORD length = GetEnvironmentVariableW(L"ProgramW6432", folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH) return folder;
    }
    wchar_t* path = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
    const ScopeExit freePath([&] { CoTaskMemFree(path); });
    return SUCCEEDED(hr) && path ? std::wstring(path) : std::wstring();
}

// A record's IsPromoted, when it is a number.
std::optional<DWORD> PromotedValue(HKEY record) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(record, nullptr, kPromotedValue, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

}  // namespace

IconPromotion::IconPromotion(std::wstring recordsKey, std::wstring programPath, HWND window, UINT message)
    : recordsKey_(std::move(recordsKey)),
      programPath_(std::move(programPath)),
      window_(window),
      message_(message) {}

bool IconPromotion::Available() {
    HKEY key = nullptr;
    if (!records_ && RegOpenKeyExW(HKEY_CURRENT_USER, recordsKey_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
        records_.reset(key);
    return records_.valid();
}

void CALLBACK IconPromotion::Changed(void* self, BOOLEAN) {
    // On the pool's wait thread, so only a message goes from here.
    const auto* promotion = static_cast<const IconPromotion*>(self);
    PostMessageW(promotion->window_, promotion->message_, 0, 0);
}

void IconPromotion::Promote() {
    if (!Available()) return;
    // The watch is armed from this thread, the window's, which lasts as long
    // as the program: RegNotifyChangeKeyValue ends a registration (and
    // signals) when the thread that made it ends, unless it is made thread
    // agnostic, which Windows 7 does not know. The pool's thread only waits
    // on the event and posts; no registration is made there, where the end
    // of a pool thread would signal for nothing. It fires once and is armed
    // again here, before the records are read, so that a record added while
    // they are read signals again.
    if (!changed_) changed_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    HANDLE wait = nullptr;
    if (changed_ && !wait_) {
        ResetEvent(changed_.get());  // closing the key last time set it
        if (RegisterWaitForSingleObject(&wait, changed_.get(), Changed, this, INFINITE, WT_EXECUTEINWAITTHREAD))
            wait_.reset(wait);
    }
    if (wait_)
        RegNotifyChangeKeyValue(records_.get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                changed_.get(), TRUE);

    const std::vector<std::wstring> remembered = Remembered();
    // Those Windows has not forgotten (it drops icons unseen for months).
    std::vector<std::wstring> promoted;
    for (const std::wstring& name : remembered) {
        HKEY record = nullptr;
        const LSTATUS status = RegOpenKeyExW(records_.get(), name.c_str(), 0, KEY_QUERY_VALUE, &record);
        if (status == ERROR_SUCCESS) RegCloseKey(record);
        if (status != ERROR_FILE_NOT_FOUND) promoted.push_back(name);
    }
    // A pass reads every record, and the records of one program share a
    // few folders: each GUID is looked up once.
    std::map<std::wstring, std::wstring> folders;
    const auto ours = [&](const std::wstring& name) {
        const auto stored = ReadText(records_.get(), name.c_str(), kPathValue, RRF_RT_REG_SZ);
        if (!stored) return false;
        std::wstring path = stored->c_str();
        if (!path.empty() && path.front() == L'{') {
            const size_t close = path.find(L'}');
            if (close == std::wstring::npos) return false;
            const auto [folder, added] = folders.try_emplace(path.substr(0, close + 1));
            if (added) folder->second = KnownFolder(folder->first);
            if (folder->second.empty()) return false;
            path = folder->second + path.substr(close + 1);
        }
        return EqualsIgnoreCase(path, programPath_);
    };
    std::vector<std::wstring> fresh;
    wchar_t name[256];  // a key's name is at most 255 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(records_.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::wstring record(name, length);
        // Any IsPromoted is a choice, even one that cannot be read.
        if (ours(record) && RegGetValueW(records_.get(), record.c_str(), kPromotedValue, RRF_RT_ANY, nullptr, nullptr,
                                         nullptr) == ERROR_FILE_NOT_FOUND)
            fresh.push_back(record);
    }
    for (const std::wstring& record : fresh)
        if (!Contains(promoted, record)) promoted.push_back(record);
    // Remembered first: a promotion that could not be taken back is not made.
    if (promoted != remembered) Remember(promoted);
    const DWORD shown = 1;
    for (const std::wstring& record : fresh) {
        // Opened, not created: Explorer may have dropped the record meanwhile.
        // One that refuses keeps no value, which Withdraw leaves alone.
        HKEY key = nullptr;
        if (RegOpenKeyExW(records_.get(), record.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
        const UniqueKey owned(key);
        RegSetValueExW(key, kPromotedValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&shown), sizeof shown);
    }
}

void IconPromotion::Withdraw() {
    // No message after this; closing the key ends the registration.
    wait_.reset();
    records_.reset();
    const std::vector<std::wstring> remembered = Remembered();
    if (remembered.empty()) return;
    std::vector<std::wstring> left;
    LSTATUS refusal = ERROR_SUCCESS;
    for (const std::wstring& name : remembered) {
        HKEY key = nullptr;
        LSTATUS status = Available()
                             ? RegOpenKeyExW(records_.get(), name.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key)
                             : ERROR_FILE_NOT_FOUND;
        const UniqueKey record(status == ERROR_SUCCESS ? key : nullptr);
        // Anything but our 1 is the user's choice since, and stays.
        if (record && PromotedValue(record.get()) == 1u) status = RegDeleteValueW(record.get(), kPromotedValue);
        // A record Windows forgot, or one holding the user's choice, is forgotten.
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            left.push_back(name);
            refusal = status;
        }
    }
    Remember(left);
    Check(refusal);
}

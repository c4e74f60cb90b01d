#include "outside/settings_store.h"

#include "app/errors.h"
#include "app/handles.h"

namespace {

class RegistrySettingsStore final : public SettingsStore {
public:
    explicit RegistrySettingsStore(std::wstring keyPath) : keyPath_(std::move(keyPath)) {}

    bool ReadValue(const std::wstring& section, const std::wstring& key, bool defaultValue) override {
        // Anything but a readable REG_DWORD is taken as never stored: a value
        // someone broke by hand must not keep the program from starting.
        DWORD value = 0, size = sizeof value, type = 0;
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, SectionPath(section).c_str(), key.c_str(),
                                            RRF_RT_ANY, &type, &value, &size);
        if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return defaultValue;
        return value != 0;
    }

    void WriteValue(const std::wstring& section, const std::wstring& key, bool value) override {
        HKEY raw = nullptr;
        LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, nullptr, 0,
                                         KEY_SET_VALUE, nullptr, &raw, nullptr);
        if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status));
        const UniqueRegKey settings(raw);
        const DWORD data = value ? 1 : 0;
        status = RegSetValueExW(settings.get(), key.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                sizeof data);
        if (status != ERROR_SUCCESS) ThrowWin32Error(static_cast<DWORD>(status));
    }

private:
    std::wstring SectionPath(const std::wstring& section) const {
        return section.empty() ? keyPath_ : keyPath_ + L"\\" + section;
    }

    std::wstring keyPath_;
};

}  // namespace

std::unique_ptr<SettingsStore> MakeRegistrySettingsStore(const std::wstring& keyPath) {
    return std::make_unique<RegistrySettingsStore>(keyPath);
}

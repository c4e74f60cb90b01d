#pragma once
// Where the program's options are kept between runs.

#include <memory>
#include <string>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A key never written, or stored in a form that is not a Boolean, answers
    // the default.
    virtual bool ReadValue(const std::wstring& section, const std::wstring& key, bool defaultValue) = 0;
    virtual void WriteValue(const std::wstring& section, const std::wstring& key, bool value) = 0;
};

// The registry store: values under HKCU\<keyPath>, the empty section being
// that key itself, Booleans as REG_DWORD 0 or 1.
std::unique_ptr<SettingsStore> MakeRegistrySettingsStore(const std::wstring& keyPath);

#pragma once
// Start with Windows.

#include <memory>
#include <string>

class AutorunManager {
public:
    virtual ~AutorunManager() = default;
    virtual bool IsRegistered(const std::wstring& name) = 0;
    // flags: reserved, the program passes 0.
    virtual bool Register(const std::wstring& name, int flags) = 0;
    virtual bool Unregister(const std::wstring& name) = 0;
};

// The value `name` under HKCU\<runKeyPath> holding the quoted path of
// programPath.
std::unique_ptr<AutorunManager> MakeRegistryAutorunManager(const std::wstring& runKeyPath,
                                                           const std::wstring& programPath);

inline constexpr wchar_t kWindowsRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

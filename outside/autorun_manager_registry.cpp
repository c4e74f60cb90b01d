#include "outside/autorun_manager.h"

#include "app/handles.h"
#include "app/text.h"

#include <vector>

namespace {

class RegistryAutorunManager final : public AutorunManager {
public:
    RegistryAutorunManager(std::wstring runKeyPath, std::wstring programPath)
        : runKeyPath_(std::move(runKeyPath)), programPath_(std::move(programPath)) {}

    // Registered only when the value names this very program file: a value
    // left by a copy elsewhere would not start this one.
    bool IsRegistered(const std::wstring& name) override {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, runKeyPath_.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                         &size) != ERROR_SUCCESS)
            return false;
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
        size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (RegGetValueW(HKEY_CURRENT_USER, runKeyPath_.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                         buffer.data(), &size) != ERROR_SUCCESS)
            return false;
        std::wstring command(buffer.data());
        if (command.size() >= 2 && command.front() == L'"') command = command.substr(1, command.find(L'"', 1) - 1);
        return EqualsIgnoreCase(command, programPath_);
    }

    bool Register(const std::wstring& name, int) override {
        HKEY raw = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, runKeyPath_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const UniqueRegKey run(raw);
        // Quoted, so a path with blanks is not read as a program and arguments.
        const std::wstring command = Quoted(programPath_);
        return RegSetValueExW(run.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool Unregister(const std::wstring& name) override {
        const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, runKeyPath_.c_str(), name.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

private:
    std::wstring runKeyPath_;
    std::wstring programPath_;
};

}  // namespace

std::unique_ptr<AutorunManager> MakeRegistryAutorunManager(const std::wstring& runKeyPath,
                                                           const std::wstring& programPath) {
    return std::make_unique<RegistryAutorunManager>(runKeyPath, programPath);
}

// The settings store and start with Windows against the real registry, under
// throwaway keys so a developer's own settings are never touched.

#include "app/handles.h"
#include "outside/autorun_manager.h"
#include "outside/settings_store.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ScratchKey {
    std::wstring path = L"Software\\Quenwald\\VimbrelTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount());
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) const {
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                                  nullptr),
                  ERROR_SUCCESS);
        const UniqueRegKey key(raw);
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    bool GetDword(const wchar_t* name, DWORD& value) const {
        DWORD size = sizeof value;
        return RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
               ERROR_SUCCESS;
    }
};

TEST(RegistrySettingsStore, RoundTripsBooleansAsDwordsInTheKeyItself) {
    ScratchKey key;
    MakeRegistrySettingsStore(key.path)->WriteValue(L"", L"Anti-Hide", true);
    MakeRegistrySettingsStore(key.path)->WriteValue(L"", L"Enable Anti-Hide on TS", false);

    DWORD on = 99, off = 99;
    EXPECT_TRUE(key.GetDword(L"Anti-Hide", on) && key.GetDword(L"Enable Anti-Hide on TS", off));
    EXPECT_EQ(on, 1u);
    EXPECT_EQ(off, 0u);

    // A new store, as a later run would make, reads back what was written.
    const auto store = MakeRegistrySettingsStore(key.path);
    EXPECT_TRUE(store->ReadValue(L"", L"Anti-Hide", false));
    EXPECT_FALSE(store->ReadValue(L"", L"Enable Anti-Hide on TS", true));
    store->WriteValue(L"", L"Anti-Hide", false);
    EXPECT_FALSE(store->ReadValue(L"", L"Anti-Hide", true));
}

TEST(RegistrySettingsStore, MissingOrBrokenValuesReadAsTheirDefault) {
    ScratchKey key;
    const auto store = MakeRegistrySettingsStore(key.path);
    // The key does not even exist yet; then a string, which is not a stored Boolean.
    const wchar_t text[] = L"1";
    for (const bool stringStored : {false, true}) {
        if (stringStored) key.SetRaw(L"Anti-Hide", REG_SZ, text, sizeof text);
        EXPECT_TRUE(store->ReadValue(L"", L"Anti-Hide", true));
        EXPECT_FALSE(store->ReadValue(L"", L"Anti-Hide", false));
    }

    const BYTE shortData[] = {1, 0};
    key.SetRaw(L"Enable Anti-Hide on TS", REG_BINARY, shortData, sizeof shortData);
    EXPECT_TRUE(store->ReadValue(L"", L"Enable Anti-Hide on TS", true));

    const DWORD nonzero = 7;
    key.SetRaw(L"Anti-Hide", REG_DWORD, &nonzero, sizeof nonzero);
    EXPECT_TRUE(store->ReadValue(L"", L"Anti-Hide", false)) << "any non-zero DWORD is True";
}

TEST(RegistryAutorunManager, RegistersTheQuotedProgramPathAndRemovesIt) {
    ScratchKey key;
    const std::wstring program = L"C:\\Program Files\\Квенвальд\\Vimbrel.exe";
    const auto autorun = MakeRegistryAutorunManager(key.path, program);
    const std::wstring name = L"{6F1C2B7E-3A94-4D5B-9E08-B2C47A1D5E63}";

    EXPECT_FALSE(autorun->IsRegistered(name));
    ASSERT_TRUE(autorun->Register(name, 0));
    EXPECT_TRUE(autorun->IsRegistered(name));

    wchar_t stored[512] = {};
    DWORD size = sizeof stored;
    RegGetValueW(HKEY_CURRENT_USER, key.path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, stored, &size);
    EXPECT_EQ(std::wstring(stored), L"\"" + program + L"\"");

    // A value naming another copy of the program does not count as ours.
    EXPECT_FALSE(MakeRegistryAutorunManager(key.path, L"D:\\Other\\Vimbrel.exe")->IsRegistered(name));

    ASSERT_TRUE(autorun->Unregister(name));
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.path.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
}

}  // namespace

#include "base/error.h"
#include "base/program.h"
#include "base/text.h"
#include "environment/elements_folder.h"
#include "environment/options.h"
#include "environment/process_environment.h"
#include "environment/single_instance.h"
#include "environment/start_with_windows.h"
#include "support.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <memory>

TEST(ElementsFolder, MakesWhatIsMissingAndStopsWithTheFullPathWhenALevelCannotBeMade) {
    TempFolder appData;
    FakeUi ui;
    const std::wstring folder = appData / L"Quenwald\\Vimbrel";
    EXPECT_EQ(PrepareElementsFolder(appData.Path(), ui), folder) << "both levels made";
    RemoveDirectoryW(folder.c_str());
    appData.Write(L"Quenwald\\Vimbrel");
    EXPECT_FALSE(PrepareElementsFolder(appData.Path(), ui)) << "a file in the way";
    EXPECT_EQ(ui.boxes.at(0), L"Не удалось создать каталог \"" + folder + L"\". Продолжение не возможно.");
    EXPECT_THROW(PrepareElementsFolder(L"", ui), Error) << "no Application Data folder";
}

static constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static constexpr wchar_t kApproved[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

static void Put(const wchar_t* key, const wchar_t* name, DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, text.c_str(), static_cast<DWORD>(text.size() * 2 + 2));
}

// A security descriptor written in SDDL.
static std::unique_ptr<void, decltype(&LocalFree)> Security(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR security = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &security, nullptr);
    return {security, &LocalFree};
}

// Lets everyone read a key but not write to it, as a policy may; deleting
// it is left allowed, so that SaveRegistryKey can put it back.
static void MakeReadOnly(const wchar_t* key) {
    RegSetKeySecurity(CreateKey(key, WRITE_DAC).get(), DACL_SECURITY_INFORMATION, Security(L"D:(A;;KRSD;;;WD)").get());
}

TEST(Options, AValueOfAnotherTypeReadsAsItsDefaultAndOnlyAChangeIsWritten) {
    const auto savedOptions = SaveRegistryKey(L"Software\\Quenwald");
    Put(program::kOptionsKey, L"Anti-Hide", REG_SZ, L"0");
    Put(program::kOptionsKey, L"Enable Anti-Hide on TS", REG_BINARY, L"\x0001");
    EXPECT_TRUE(LoadOptions().antiHide && !LoadOptions().antiHideInRemoteSession);
    SaveOptions({false, true});
    MakeReadOnly(program::kOptionsKey);
    EXPECT_NO_THROW(SaveOptions({false, true})) << "nothing changed, so nothing is written";
    EXPECT_THROW(SaveOptions({false, false}), Error);
}

TEST(StartWithWindows, CountsOnlyAValueThatStartsThisVeryFileAndThatTheStartupPageLeftOnAndSaysWhyNot) {
    const auto savedRun = SaveRegistryKey(kRun), savedApproved = SaveRegistryKey(kApproved);
    const std::wstring self = program::Path(), quoted = L"\"" + self + L"\"";
    Put(kRun, program::kGuid, REG_SZ, quoted);
    for (const BYTE first : {BYTE{2}, BYTE{6}, BYTE{3}, BYTE{7}}) {  // as Task Manager writes it: on, on, off, off
        Put(kApproved, program::kGuid, REG_BINARY, std::wstring(5, first));  // twelve bytes, as written there
        EXPECT_EQ(StartsWithWindows(self), first == 2 || first == 6) << int{first};
    }
    SetStartWithWindows(self, true);
    EXPECT_TRUE(StartsWithWindows(self)) << "ticking switches it back on";
    const struct { std::wstring value; DWORD type; bool counts; } values[] = {{quoted, REG_SZ, true},        {self, REG_SZ, true},    {FoldCase(quoted), REG_SZ, true},
                  {quoted + L" /tray", REG_SZ, true}, {quoted, REG_EXPAND_SZ, true}, {self + L".bak", REG_SZ, false},
                  {L"\"C:\\other\\Vimbrel.exe\"", REG_SZ, false}, {quoted, REG_BINARY, false}};
    for (const auto& v : values) {
        Put(kRun, program::kGuid, v.type, v.value);
        EXPECT_EQ(StartsWithWindows(self), v.counts) << v.value << " " << v.type;
    }
    SetStartWithWindows(self, false);
    EXPECT_FALSE(StartsWithWindows(self));
    EXPECT_NO_THROW(SetStartWithWindows(self, false)) << "removing what is gone succeeds";
    MakeReadOnly(kRun);
    EXPECT_THROW(SetStartWithWindows(self, true), Error) << "a refusal says why";
}

TEST(SingleInstance, AnotherCopyRunsWhenItKeepsUsOutOfTheMutex) {
    // No entries at all: an elevated copy's default security, as this one sees it.
    const auto noAccess = Security(L"D:");
    SECURITY_ATTRIBUTES elevated{sizeof elevated, noAccess.get(), FALSE};
    const UniqueHandle otherCopy(CreateMutexW(&elevated, FALSE, (std::wstring(L"Local\\") + program::kGuid).c_str()));
    EXPECT_FALSE(ClaimSingleInstance());
}

TEST(ProcessEnvironment, FollowsTheUsersEnvironmentButKeepsTheDrivesFolders) {
    const auto savedEnvironment = SaveRegistryKey(L"Environment");
    // Names the user's own environment does not hold.
    const struct { const wchar_t *name, *before, *after; } rows[] = {
        {L"VIMBREL_TEST_CHANGED", L"old", L"из реестра"}, {L"VIMBREL_TEST_DELETED", L"old", L"(none)"}, {L"=V:", L"V:\\", L"V:\\"}};
    for (const auto& row : rows) SetEnvironmentVariableW(row.name, row.before);
    Put(L"Environment", L"VIMBREL_TEST_CHANGED", REG_SZ, L"из реестра");
    EXPECT_TRUE(RefreshEnvironment());
    for (const auto& row : rows) {
        wchar_t value[64] = L"(none)";
        GetEnvironmentVariableW(row.name, value, 64);
        EXPECT_STREQ(value, row.after) << row.name;
    }
}

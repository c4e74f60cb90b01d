#include "outside/shell.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstring>

// Answers Yes, as the user would, to the shell's confirmation that blocks
// this thread, once it stands; notes the window it stands over.
static HWND askedOver = nullptr;
static void CALLBACK AnswerYes(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = FindWindowW(L"#32770", nullptr);
    if (!box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) return;
    askedOver = GetWindow(box, GW_OWNER);
    PostMessageW(box, WM_COMMAND, IDYES, 0);
}

// A shortcut whose stored target is `length` characters long, as only a
// crafted one is: a header and a LinkInfo with the target as its local path.
static std::string LinkBytes(size_t length) {
    const auto put = [](std::string& to, size_t at, std::uint32_t value) { std::memcpy(&to[at], &value, 4); };
    std::string header(0x4C, '\0');
    put(header, 0, 0x4C);
    std::memcpy(&header[4], &CLSID_ShellLink, 16);
    put(header, 20, 2);  // a LinkInfo follows
    // A volume (a fixed drive without a label), then the path, then an empty suffix.
    const std::string volume("\x11\0\0\0\x03\0\0\0\0\0\0\0\x10\0\0\0\0", 17), path = "C:\\" + std::string(length, 'a');
    const auto size = static_cast<std::uint32_t>(0x1C + volume.size() + path.size() + 2);
    const std::uint32_t fields[] = {size, 0x1C, 1, 0x1C, 0x1C + 17, 0, size - 1};  // the LinkInfo's header
    std::string info(reinterpret_cast<const char*>(fields), sizeof fields);
    return header + info + volume + path + '\0' + '\0' + std::string(4, '\0');
}

TEST(SystemShell, HandsTheShellNoShortcutItWouldChokeOnAndRunsATypesOwnDefaultVerb) {
    const ComApartment apartment;
    TempFolder folder;
    EXPECT_EQ(SystemShell().Open(nullptr, folder.Write(L"long.lnk", LinkBytes(5000))),
              DWORD{ERROR_FILENAME_EXCED_RANGE});
    EXPECT_NE(SystemShell().Open(nullptr, folder.Write(L"broken.lnk", "no link")), DWORD{ERROR_SUCCESS});
    // A type whose default verb is not "open", as a Control Panel item's.
    // It leaves its folder first: under Wine a process's current folder cannot be removed.
    const std::wstring marker = folder / L"went.txt",
                       command = L"cmd.exe /c cd /d C:\\ && echo went>\"" + marker + L"\"";
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L".vimbreltest", nullptr, REG_SZ, L"Vimbrel.Test", 26);
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Vimbrel.Test\\shell", nullptr, REG_SZ, L"go", 6);
    RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Vimbrel.Test\\shell\\go\\command", nullptr, REG_SZ, command.c_str(),
                    static_cast<DWORD>(command.size() * 2 + 2));
    EXPECT_EQ(SystemShell().Open(nullptr, folder.Write(L"x.vimbreltest")), DWORD{ERROR_SUCCESS});
    EXPECT_TRUE(PumpUntil([&] {  // written, and closed: it cannot be had alone before
        const UniqueFile written(CreateFileW(marker.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        return written && GetFileSize(written.get(), nullptr) > 0;
    }));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".vimbreltest"), RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Vimbrel.Test");
}

// Where a file starts, the end-to-end pass checks: a .cmd element writes %CD%.
TEST(SystemShell, SaysWhyAFileDidNotOpenAndAsksOverItsOwnerBeforeTheRecycleBin) {
    TempFolder folder;
    EXPECT_EQ(SystemShell().Open(nullptr, folder / L"missing.txt"), DWORD{ERROR_FILE_NOT_FOUND});

    const UniqueWindow owner(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    // Wine always asks; Windows only when the user wants it to, and not
    // asked at all is as good as asked over the owner.
    askedOver = owner.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerYes);
    SystemShell().Delete(owner.get(), folder.Write(L"doomed.txt"));
    KillTimer(nullptr, timer);
    EXPECT_EQ(askedOver, owner.get());
}

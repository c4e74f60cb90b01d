#include "temp_folder.h"

#include "app/handles.h"

#include <windows.h>

#include <stdexcept>

namespace {

void RemoveTree(const std::wstring& path) {
    {
        WIN32_FIND_DATAW entry;
        const UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring child = path + L"\\" + name;
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(child);
                else
                    DeleteFileW(child.c_str());
            } while (FindNextFileW(find.get(), &entry));
        }
    }
    // The listing is closed first: a folder with an open search in it cannot go.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str());
}

}  // namespace

TempFolder::TempFolder(const std::wstring& nameHint) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::wstring(temp) + nameHint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create a temporary folder");
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::wstring TempFolder::WriteFile(const std::wstring& name, const std::string& content) const {
    const std::wstring path = *this / name;
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot write a test file");
    DWORD written = 0;
    if (!::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size())
        throw std::runtime_error("cannot write a test file");
    return path;
}

std::string ReadWholeFile(const std::wstring& path) {
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<unreadable>";
    std::string content(65536, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) return "<unreadable>";
    content.resize(read);
    return content;
}

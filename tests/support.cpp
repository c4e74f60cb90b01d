#include "support.h"

#include "base/text.h"

#include <shellapi.h>

TempFolder::TempFolder() {
    static int count = 0;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = JoinPath(temp, L"Вимбрел " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count));
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    // The shell removes read-only and hidden files as well.
    const std::wstring from = path_ + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

std::wstring TempFolder::Write(const std::wstring& name, const std::string& content) const {
    const std::wstring path = *this / name;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

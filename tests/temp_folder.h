#pragma once
// A fresh folder under %TEMP% for one test, removed with everything in it
// afterwards (read-only, hidden and system files included).

#include <string>

class TempFolder {
public:
    explicit TempFolder(const std::wstring& nameHint = L"vimbrel");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

    // Writes a small file and answers its full path.
    std::wstring WriteFile(const std::wstring& name, const std::string& content = "x") const;

private:
    std::wstring path_;
};

// The first 64 KB of a file, byte for byte; "<unreadable>" when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

#include "outside/file_dialog.h"

#include "app/errors.h"
#include "app/texts.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace {

// Room for a long path (\\?\ included), far beyond MAX_PATH.
constexpr DWORD kFileNameCapacity = 32768;

constexpr DWORD kRequiredFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS |
                                 OFN_EXPLORER | OFN_ENABLESIZING;

// "Description|pattern|..." as the dialog wants it: NUL between the parts
// and two NULs at the end.
std::wstring DialogFilter(const std::wstring& barSeparated) {
    std::wstring filter = barSeparated;
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.push_back(L'\0');
    return filter;  // c_str() supplies the second NUL
}

class CommonFileDialog final : public FileDialog {
public:
    void SetFilter(const std::wstring& filter) override { filter_ = DialogFilter(filter); }
    void SetFlags(int flags) override { flags_ = static_cast<DWORD>(flags); }
    void SetOwnerWindow(HWND owner) override { owner_ = owner; }

    bool ShowOpen() override {
        std::vector<wchar_t> buffer(kFileNameCapacity, L'\0');
        std::copy_n(fileName_.begin(), std::min<size_t>(fileName_.size(), buffer.size() - 1), buffer.begin());

        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner_;
        dialog.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = buffer.data();
        dialog.nMaxFile = kFileNameCapacity;
        dialog.Flags = kRequiredFlags | flags_;
        if (GetOpenFileNameW(&dialog)) {
            fileName_ = buffer.data();
            return true;
        }
        // Zero means the user closed the dialog without a choice.
        if (const DWORD error = CommDlgExtendedError(); error != 0)
            throw AppError(static_cast<long>(error), texts::kFileDialogFailed);
        return false;
    }

    const std::wstring& FileName() const override { return fileName_; }

private:
    std::wstring filter_;
    DWORD flags_ = 0;
    HWND owner_ = nullptr;
    std::wstring fileName_;
};

class CommonFileDialogFactory final : public FileDialogFactory {
public:
    std::unique_ptr<FileDialog> Create() override { return std::make_unique<CommonFileDialog>(); }
};

}  // namespace

std::unique_ptr<FileDialogFactory> MakeCommonFileDialogFactory() { return std::make_unique<CommonFileDialogFactory>(); }

#include "outside/file_icon_loader.h"

#include <shellapi.h>

namespace {

// The shell's small icon is the size the notification area draws
// (SM_CXSMICON), and the shell picks it for the process's DPI.
class ShellFileIconLoader final : public FileIconLoader {
public:
    bool Load(const std::wstring& path) override {
        icon_.reset();
        SHFILEINFOW info{};
        const DWORD_PTR found =
            SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
        // Owned before anything is judged, so no answer can leak an icon.
        UniqueIcon icon(info.hIcon);
        if (found == 0 || !icon) return false;
        icon_ = std::move(icon);
        return true;
    }

    UniqueIcon TakeIcon() override { return std::move(icon_); }

private:
    UniqueIcon icon_;
};

class ShellFileIconLoaderFactory final : public FileIconLoaderFactory {
public:
    std::unique_ptr<FileIconLoader> Create() override { return std::make_unique<ShellFileIconLoader>(); }
};

}  // namespace

std::unique_ptr<FileIconLoaderFactory> MakeShellFileIconLoaderFactory() {
    return std::make_unique<ShellFileIconLoaderFactory>();
}

#include "tray/element_list.h"

#include "app/errors.h"
#include "app/handles.h"
#include "app/text.h"
#include "app/texts.h"

#include <array>

namespace {

constexpr std::array kShortExtensions{L"LNK", L"PIF", L"URL"};

// Plain, read-only, system and archive files; never folders or hidden files.
bool IsElementFile(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) == 0;
}

// Walks the folder and adds elements until the listing ends or something
// fails; the failure propagates to the caller.
void ScanFolder(ElementSet& stElement, FileIconLoaderFactory& loaders, const std::wstring& folder) {
    WIN32_FIND_DATAW entry{};
    UniqueFind find(FindFirstFileW(BuildFileName(folder, L"*.*").c_str(), &entry));
    if (!find) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;
        ThrowWin32Error(error);
    }
    do {
        if (IsElementFile(entry)) AddElement(stElement, loaders, BuildFileName(folder, entry.cFileName));
    } while (FindNextFileW(find.get(), &entry));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) ThrowWin32Error(error);
}

}  // namespace

std::wstring ElementDisplayName(const std::wstring& path) {
    std::wstring name = GetFileName(path);
    const std::wstring extension = GetFileExtension(name);
    for (const wchar_t* cut : kShortExtensions) {
        // A file called just ".lnk" keeps its name: an empty tooltip would
        // leave its icon nameless.
        if (EqualsIgnoreCase(extension, cut) && name.size() > extension.size() + 1) {
            name.resize(name.size() - extension.size() - 1);
            break;
        }
    }
    return name;
}

std::wstring NoElementsBalloonText(const std::wstring& elementsPath) {
    return texts::kNoElementsPrefix + Quoted(elementsPath) + texts::kNoElementsSuffix;
}

void AddElement(ElementSet& stElement, FileIconLoaderFactory& loaders, const std::wstring& path) {
    const auto loader = loaders.Create();
    if (!loader->Load(path)) return;
    SysTray& element = stElement.Add();
    element.SetTrayIcon(loader->TakeIcon());
    element.SetTag(path);
    element.SetText(ElementDisplayName(path));
    element.SetInTray(true);
}

void RefreshElements(ElementSet& stElement, FileIconLoaderFactory& loaders, const AppState& state) {
    stElement.Clear();
    try {
        ScanFolder(stElement, loaders, state.SET_ElementsPath);
    } catch (const AppError&) {
        // The icons made so far stay; the scan just ends here.
    }
    if (stElement.UBound() == 0) {
        try {
            stElement.Main().ShowBalloon(NoElementsBalloonText(state.SET_ElementsPath), texts::kAppTitle, 1);
        } catch (const AppError&) {
        }
    }
}

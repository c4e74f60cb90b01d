#pragma once
// An in-memory dialog template, for the program's own small dialogs: no
// resource script to keep in step, and the dialog takes the font it is given.

#include "base/handles.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// Dialog units of the message-box font that the program's dialogs share,
// as Windows' own dialogs space them: so a dialog grows with the user's
// font and DPI as every other dialog does.
namespace dialog_units {
inline constexpr int kMargin = 7;
inline constexpr int kButtonWidth = 50;
inline constexpr int kButtonHeight = 14;
}  // namespace dialog_units

class DialogTemplate {
public:
    static constexpr WORD kButton = 0x0080;
    static constexpr WORD kEdit = 0x0081;
    static constexpr WORD kStatic = 0x0082;
    // What comes next is a number, not a name.
    static constexpr WORD kOrdinal = 0xFFFF;

    // Size in dialog units of the given font. The template keeps positions
    // and sizes in 16 bits; a dialog is never anywhere near that large.
    DialogTemplate(DWORD style, const std::wstring& title, const LOGFONTW& font, int pointSize, int width = 0,
                   int height = 0) {
        DLGTEMPLATE header{};
        header.style = style | DS_SETFONT;
        header.cx = static_cast<short>(width);
        header.cy = static_cast<short>(height);
        Append(&header, sizeof header);
        countOffset_ = offsetof(DLGTEMPLATE, cdit) / sizeof(WORD);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        AppendString(title);
        words_.push_back(static_cast<WORD>(pointSize));
        AppendString(font.lfFaceName);
    }

    // A control with its text set later, once the dialog is up (texts may be
    // long and built at run time).
    void AddControl(WORD windowClass, int id, DWORD style, int x = 0, int y = 0, int cx = 0, int cy = 0,
                    DWORD extendedStyle = 0) {
        AlignToDword();
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.dwExtendedStyle = extendedStyle;
        item.x = static_cast<short>(x);
        item.y = static_cast<short>(y);
        item.cx = static_cast<short>(cx);
        item.cy = static_cast<short>(cy);
        item.id = static_cast<WORD>(id);
        Append(&item, sizeof item);
        words_.push_back(kOrdinal);
        words_.push_back(windowClass);
        words_.push_back(0);  // no text
        words_.push_back(0);  // no creation data
        ++words_[countOffset_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Append(const void* data, size_t bytes) {
        const auto* begin = static_cast<const WORD*>(data);
        words_.insert(words_.end(), begin, begin + bytes / sizeof(WORD));
    }
    void AppendString(const std::wstring& text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }
    void AlignToDword() {
        if (words_.size() % 2 != 0) words_.push_back(0);
    }

    // std::vector's storage is aligned for any type, so the header starts on
    // a DWORD boundary as the dialog manager requires.
    std::vector<WORD> words_;
    size_t countOffset_ = 0;
};

// The font message boxes use, which the user may have changed.
inline NONCLIENTMETRICSW MessageBoxMetrics() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // Not a reason to fail a dialog: the system's GUI font will do.
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof metrics.lfMessageFont, &metrics.lfMessageFont);
    }
    return metrics;
}

// The template wants the font's size in points; the system gives pixels at
// the screen's DPI.
inline int PointSize(const LOGFONTW& font) {
    const int dpi = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY);
    const int pixels = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    const int points = MulDiv(pixels, 72, dpi);
    return points > 0 ? points : 9;
}

// The program has no visible window of its own to place a dialog over, so
// dialogs go to the middle of the work area (the screen less the taskbar) of
// their monitor. One taller than the work area keeps its caption on screen.
inline void CenterInWorkArea(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = std::max<int>(work.top + (work.bottom - work.top - height) / 2, work.top);
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

#pragma once
// stElement: the indexed set of tray-icon controls. Member 0 is the main
// icon and stays for the life of the window; members 1..n are the elements,
// always added one above the highest index and removed from the top, so
// they are numbered without gaps.

#include "outside/sys_tray.h"

#include <cstdint>
#include <memory>
#include <vector>

class ElementSet {
public:
    static constexpr int kMaxIndex = 32767;

    ElementSet(SysTrayFactory& factory, HWND owner);

    int Count() const { return static_cast<int>(members_.size()); }  // member 0 included
    int UBound() const { return Count() - 1; }                      // highest index in use
    SysTray& Main() { return *members_.front(); }
    SysTray& operator[](int index) { return *members_.at(static_cast<size_t>(index)); }
    SysTray* Find(int index);  // null when no member has that index

    // Creates the member above the highest index; throws AppError 6
    // (overflow) past 32767, as a 16-bit index would.
    SysTray& Add();
    void RemoveLast();  // never member 0
    void Clear();       // every member but the main icon

private:
    SysTrayFactory& factory_;
    HWND owner_;
    std::vector<std::unique_ptr<SysTray>> members_;
};

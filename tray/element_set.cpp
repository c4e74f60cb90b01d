#include "tray/element_set.h"

#include "app/errors.h"
#include "app/texts.h"

ElementSet::ElementSet(SysTrayFactory& factory, HWND owner) : factory_(factory), owner_(owner) {
    members_.push_back(factory_.Create(owner_, 0));
}

SysTray* ElementSet::Find(int index) {
    return index >= 0 && index < Count() ? members_[static_cast<size_t>(index)].get() : nullptr;
}

SysTray& ElementSet::Add() {
    if (UBound() >= kMaxIndex) throw AppError(6, texts::kOverflow);
    members_.push_back(factory_.Create(owner_, static_cast<std::int16_t>(Count())));
    return *members_.back();
}

void ElementSet::RemoveLast() {
    if (Count() > 1) members_.pop_back();
}

void ElementSet::Clear() {
    while (Count() > 1) RemoveLast();
}

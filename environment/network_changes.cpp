#include "environment/network_changes.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

namespace {

// On a thread of the system's pool, so only a message goes from here.
void WINAPI RouteChanged(void* target, MIB_IPFORWARD_ROW2*, MIB_NOTIFICATION_TYPE) {
    const auto* to = static_cast<const NetworkChanges::Target*>(target);
    PostMessageW(to->window, to->message, 0, 0);
}

}  // namespace

NetworkChanges::NetworkChanges(HWND window, UINT message) : target_(new Target{window, message}) {
    if (NotifyRouteChange2(AF_UNSPEC, RouteChanged, target_.get(), FALSE, &notification_) != NO_ERROR)
        notification_ = nullptr;
}

// Waits for a callback under way, so the target outlives every one of them.
NetworkChanges::~NetworkChanges() {
    if (notification_) CancelMibChangeNotify2(notification_);
}

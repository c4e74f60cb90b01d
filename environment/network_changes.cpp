#include "environment/network_changes.h"

#include "base/system_function.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

namespace {

// iphlpapi is no known DLL: imported, it would be looked for beside the
// program first.
using NotifyRouteChange2Function = decltype(&NotifyRouteChange2);
using CancelMibChangeNotify2Function = decltype(&CancelMibChangeNotify2);

// The library stays loaded, so the destructor finds what the constructor found.
CancelMibChangeNotify2Function Cancel() {
    return SystemFunction<CancelMibChangeNotify2Function>(L"iphlpapi.dll", "CancelMibChangeNotify2");
}

// On a thread of the system's pool, so only a message goes from here.
void WINAPI RouteChanged(void* target, MIB_IPFORWARD_ROW2*, MIB_NOTIFICATION_TYPE) {
    const auto* to = static_cast<const NetworkChanges::Target*>(target);
    PostMessageW(to->window, to->message, 0, 0);
}

}  // namespace

NetworkChanges::NetworkChanges(HWND window, UINT message) : target_(new Target{window, message}) {
    const auto notify = SystemFunction<NotifyRouteChange2Function>(L"iphlpapi.dll", "NotifyRouteChange2");
    // Never a notification that could not be cancelled: its callbacks would
    // outlive the target.
    if (!notify || !Cancel() || notify(AF_UNSPEC, RouteChanged, target_.get(), FALSE, &notification_) != NO_ERROR)
        notification_ = nullptr;
}

// Waits for a callback under way, so the target outlives every one of them.
NetworkChanges::~NetworkChanges() {
    if (notification_) Cancel()(notification_);
}

#pragma once
// Tells the window when the network's routes change, which is what a
// network coming back (a cable, a Wi-Fi, a VPN) looks like to a program.
// Where the system cannot tell, nothing is told: the window retries on a
// timer as well.

#include <windows.h>

#include <memory>

class NetworkChanges {
public:
    NetworkChanges(HWND window, UINT message);
    ~NetworkChanges();
    NetworkChanges(const NetworkChanges&) = delete;
    NetworkChanges& operator=(const NetworkChanges&) = delete;

    struct Target {
        HWND window;
        UINT message;
    };

private:
    std::unique_ptr<Target> target_;
    HANDLE notification_ = nullptr;
};

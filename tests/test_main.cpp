#include <gmock/gmock.h>
#include <objbase.h>

#include "process_probe.h"

int main(int argc, char** argv) {
    // Some tests start this executable again as a second process.
    if (const int code = RunProcessProbe(argc, argv); code >= 0) return code;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}

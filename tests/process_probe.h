#pragma once
// Lets a test start this same executable as a second process that does one
// small thing and reports through its exit code.

#include <string>

// When argv asks for a probe, runs it and answers its exit code; otherwise -1.
int RunProcessProbe(int argc, char** argv);

// Starts this executable with the given probe arguments and waits (up to
// timeoutMs) for its exit code; -1 when it did not end in time.
int RunProbeProcess(const std::wstring& arguments, unsigned timeoutMs = 15000);

// FuzzCheck.h — how a fuzz target reports a broken property: a message, then abort, which
// libFuzzer records as a crash with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the run with the message unless the condition holds.
inline void FuzzCheck(bool condition, const char* message)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", message);
        std::abort();
    }
}

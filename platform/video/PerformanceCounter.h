// PerformanceCounter.h — the high-resolution counter the world's clock reads.
//
// The default reads SDL's performance counter; tests and deterministic runs derive their
// own clock and hand it to the world instead.
#pragma once

#include <cstdint>

class CPerformanceCounter {
public:
    virtual ~CPerformanceCounter() = default;
    // Counts per second.
    virtual uint64_t Frequency() const;
    // The current count.
    virtual uint64_t Counter() const;
};

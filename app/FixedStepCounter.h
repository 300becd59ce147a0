// FixedStepCounter.h — a clock that moves by the same step at every reading, for
// deterministic runs.
//
// The world reads its counter once when it is made and once per tick, so with this
// counter every tick's elapsed time (the first one's included) is exactly the step.
#pragma once

#include <cstdint>

#include "platform/video/PerformanceCounter.h"

class CFixedStepCounter : public CPerformanceCounter {
public:
    // One count per millisecond.
    static constexpr uint64_t COUNTS_PER_SECOND = 1000;

    explicit CFixedStepCounter(uint32_t stepMs);

    uint64_t Frequency() const override;
    // The current count; the next reading is one step later.
    uint64_t Counter() const override;

private:
    uint64_t m_stepCounts;
    mutable uint64_t m_next = 0;
};

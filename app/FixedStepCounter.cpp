// FixedStepCounter.cpp — a counter that advances one step per reading.
#include "app/FixedStepCounter.h"

CFixedStepCounter::CFixedStepCounter(uint32_t stepMs) : m_stepCounts(uint64_t{stepMs} * COUNTS_PER_SECOND / 1000) {}

uint64_t CFixedStepCounter::Frequency() const
{
    return COUNTS_PER_SECOND;
}

uint64_t CFixedStepCounter::Counter() const
{
    const uint64_t now = m_next;
    m_next += m_stepCounts;
    return now;
}

// StartupPhases.cpp — adding up the phases and writing the line.
#include "display/StartupPhases.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/bitmaps/FatalError.h"

namespace {

// The phases' names in the line, in Phase order.
constexpr std::array<const char*, CStartupPhases::PHASE_COUNT> PHASE_NAMES = {
    "exec", "sdl", "window", "world", "decode", "rescale", "palette", "display", "dither", "surfaces", "font",
    "first_frame"};

// " name=value" with one decimal.
std::string Figure(const char* name, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, " %s=%.1f", name, value);
    return text;
}

} // namespace

void CStartupPhases::Add(Phase phase, double ms)
{
    if (!m_closed)
        m_ms[phase] += ms;
}

void CStartupPhases::Mark()
{
    m_markNs = NowNs();
}

void CStartupPhases::AddSinceMark(Phase phase)
{
    Add(phase, static_cast<double>(NowNs() - m_markNs) * 1e-6);
}

void CStartupPhases::Close(double totalMs, int64_t pageFaults)
{
    if (m_closed)
        return;
    // The first frame's own share: what its dither, surfaces and font did not take.
    m_ms[FIRST_FRAME] = std::max(0.0, m_ms[FIRST_FRAME] - m_ms[DITHER] - m_ms[SURFACES] - m_ms[FONT]);
    m_totalMs = totalMs;
    m_pageFaults = pageFaults;
    m_closed = true;
}

std::string CStartupPhases::Line() const
{
    if (!m_closed)
        throw CFatalError("benchmark: start-up was not measured to its first frame");
    std::string line = "startup:";
    for (int32_t phase = 0; phase < PHASE_COUNT; ++phase)
        line += Figure(PHASE_NAMES[phase], m_ms[phase]);
    line += Figure("total", m_totalMs);
    line += " page_faults=" + std::to_string(m_pageFaults);
    return line;
}

uint64_t CStartupPhases::NowNs()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

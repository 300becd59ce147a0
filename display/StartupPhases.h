// StartupPhases.h — where the time of start-up goes, phase by phase, for the benchmark.
//
// The steps of start-up each add the time they took to their phase while a recorder is
// attached (the screen's m_pStartupPhases; null, the usual case, records nothing). After
// the first frame the recorder is closed and gives one line:
//
//   startup: exec=… sdl=… window=… world=… decode=… rescale=… palette=… display=…
//            dither=… surfaces=… font=… first_frame=… total=… page_faults=…
//
// in milliseconds. exec runs from the process's start to main (to the kernel's 10 ms);
// first_frame is the first frame's time less its dither, surfaces and font; total is the
// process's start to the first presented frame, and page_faults the process's faults by
// then. Phases that were not measured (a mode without a palette) are 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CStartupPhases {
public:
    enum Phase { EXEC, SDL, WINDOW, WORLD, DECODE, RESCALE, PALETTE, DISPLAY, DITHER, SURFACES, FONT, FIRST_FRAME,
                 PHASE_COUNT };

    CStartupPhases() = default;
    virtual ~CStartupPhases() = default;

    // Adds to a phase; nothing once the recorder is closed.
    void Add(Phase phase, double ms);
    // Remembers now, for AddSinceMark.
    void Mark();
    // Adds the time since the last Mark to a phase.
    void AddSinceMark(Phase phase);
    // Ends the recording with the start-up's total and the page faults so far.
    void Close(double totalMs, int64_t pageFaults);

    // The line of figures. Throws CFatalError before Close.
    std::string Line() const;

    // Nanoseconds of the steady clock.
    static uint64_t NowNs();

    // Adds the time from its making to its end to a phase of `phases`, if there is one.
    class CScope {
    public:
        CScope(CStartupPhases* phases, Phase phase) : m_pPhases(phases), m_phase(phase), m_startNs(NowNs()) {}
        virtual ~CScope()
        {
            if (m_pPhases != nullptr)
                m_pPhases->Add(m_phase, static_cast<double>(NowNs() - m_startNs) * 1e-6);
        }
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;

    private:
        CStartupPhases* m_pPhases;
        Phase m_phase;
        uint64_t m_startNs;
    };

private:
    std::array<double, PHASE_COUNT> m_ms{};
    uint64_t m_markNs = 0;
    double m_totalMs = 0.0;
    int64_t m_pageFaults = 0;
    bool m_closed = false;
};

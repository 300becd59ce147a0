// Benchmark.h — the figures of a --benchmark run: the program's frame rate against a
// present-only baseline, frame times, start-up time and peak memory.
//
// The loop reports each presented frame; at the end, with the world still there, the
// baseline presents the unchanged back buffer, marked changed whole, as many times; the
// report is one line of key=value pairs:
//
//   mode=WxHxBPP frames=N fps=F baseline_fps=B ratio=F/B mean_ms=M p99_ms=P
//   startup_ms=S peak_rss_mib=R objects=O objects_per_s=X
//
// objects is the number of objects each frame updates and draws (the background, the
// paddle and the balls), objects_per_s that number times fps.
// Frame times run from one presented frame to the next, so the first frame, which makes
// the sprites' surfaces, counts as start-up: from the process's start to its presentation.
// A second line says where start-up went, phase by phase (display/StartupPhases.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/StartupPhases.h"
#include "platform/video/DisplayMode.h"

class CScreen;

class CBenchmark {
public:
    // Ready for `frames` frames (the memory for their times is taken now).
    explicit CBenchmark(uint64_t frames);

    // A frame was presented just now.
    void FramePresented();
    // Presents the screen's back buffer, unchanged but marked changed whole, once per frame
    // presented so far, and notes the screen's mode. Throws CFatalError when the display
    // refuses.
    void MeasureBaseline(CScreen& screen);
    // The number of objects each frame drew.
    void NoteObjects(int32_t objects) { m_objects = objects; }

    // The two lines of figures (without the last line's end). Throws CFatalError before
    // both measurements are done.
    std::string Report() const;

    // Where the steps of start-up record their time; closed at the first presented frame.
    CStartupPhases& StartupPhases() { return m_startupPhases; }

private:
    // Frames after the first over the time from the first presentation to the last.
    double ProgramFramesPerSecond() const;
    // The time from each presented frame to the next.
    std::vector<double> FrameTimesMs() const;

    std::vector<uint64_t> m_presentedNs;   // steady clock, one per presented frame
    std::optional<double> m_startupMs;     // process start to the first presented frame
    double m_baselineFramesPerSecond = 0.0;
    std::optional<DisplayMode> m_mode;
    int32_t m_objects = 0;
    CStartupPhases m_startupPhases;
};

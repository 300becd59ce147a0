// Benchmark.cpp — timing the frames and the baseline, and the process's start and peak
// memory as the kernel reports them.
#include "app/Benchmark.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/ModeOption.h"
#include "display/Screen.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/video/Surface.h"

namespace {

// ---------------------------------------------------------------------------------------
// Clocks
// ---------------------------------------------------------------------------------------

// Nanoseconds of the steady clock, for frame times.
uint64_t SteadyNowNs()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// Seconds since the machine booted (suspend included): the clock the kernel dates a
// process's start by.
double BootClockSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// When this process started, in seconds of the boot clock: field 22 of /proc/self/stat,
// in clock ticks (1/100 s on Linux, so to within 10 ms). The fields before it hold the
// program's name in parentheses, which may itself hold spaces, so counting starts after
// the last ')'.
double ProcessStartSeconds()
{
    std::ifstream file("/proc/self/stat");
    std::string stat;
    std::getline(file, stat);
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos)
        throw CFatalError("benchmark: cannot read the process's start time from /proc/self/stat");
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    for (int32_t number = 3; number <= 22; ++number)   // fields 1 and 2 are the id and the name
        fields >> field;
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!fields || ticksPerSecond <= 0)
        throw CFatalError("benchmark: cannot read the process's start time from /proc/self/stat");
    return std::stod(field) / static_cast<double>(ticksPerSecond);
}

// The process's resource use so far.
rusage ResourceUse()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        throw CFatalError("benchmark: getrusage failed");
    return usage;
}

// The largest resident set the process has had, in MiB.
double PeakResidentMiB()
{
    return static_cast<double>(ResourceUse().ru_maxrss) / 1024.0;   // the kernel counts KiB
}

// The page faults the process has taken so far, minor and major.
int64_t PageFaults()
{
    const rusage usage = ResourceUse();
    return static_cast<int64_t>(usage.ru_minflt) + static_cast<int64_t>(usage.ru_majflt);
}

// ---------------------------------------------------------------------------------------
// Figures
// ---------------------------------------------------------------------------------------

// The value below which 99 % of the sorted values lie (nearest rank).
double Percentile99(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

// The value with that many decimals.
std::string Fixed(double value, int32_t decimals)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Measuring
// ---------------------------------------------------------------------------------------

CBenchmark::CBenchmark(uint64_t frames)
{
    m_startupPhases.Add(CStartupPhases::EXEC, (BootClockSeconds() - ProcessStartSeconds()) * 1000.0);
    m_presentedNs.reserve(CheckedArrayBytes(static_cast<int64_t>(frames), sizeof(uint64_t), "benchmark frames") /
                          sizeof(uint64_t));
}

void CBenchmark::FramePresented()
{
    m_presentedNs.push_back(SteadyNowNs());
    if (!m_startupMs) {
        m_startupMs = (BootClockSeconds() - ProcessStartSeconds()) * 1000.0;
        m_startupPhases.Close(*m_startupMs, PageFaults());
    }
}

void CBenchmark::MeasureBaseline(CScreen& screen)
{
    m_mode = DisplayMode{screen.Width(), screen.Height(), screen.BitsPerPixel(), screen.RefreshRate()};
    CSurface& back = *screen.BackBuffer();
    const size_t flips = m_presentedNs.size();
    const uint64_t start = SteadyNowNs();
    for (size_t i = 0; i < flips; ++i) {
        // Locking marks the whole surface changed, so the flip uploads all of it.
        LockedPixels pixels;
        if (back.Lock(pixels) != DISPLAY_OK || back.Unlock() != DISPLAY_OK)
            throw CFatalError("benchmark: cannot mark the back buffer changed: " + back.LastError());
        screen.Present();
    }
    const double seconds = static_cast<double>(SteadyNowNs() - start) * 1e-9;
    m_baselineFramesPerSecond = seconds > 0.0 ? static_cast<double>(flips) / seconds : 0.0;
}

// ---------------------------------------------------------------------------------------
// Reporting
// ---------------------------------------------------------------------------------------

// Frames after the first, over the time from the first presentation to the last.
double CBenchmark::ProgramFramesPerSecond() const
{
    const double seconds = static_cast<double>(m_presentedNs.back() - m_presentedNs.front()) * 1e-9;
    return seconds > 0.0 ? static_cast<double>(m_presentedNs.size() - 1) / seconds : 0.0;
}

std::vector<double> CBenchmark::FrameTimesMs() const
{
    std::vector<double> times;
    times.reserve(m_presentedNs.size());
    for (size_t i = 1; i < m_presentedNs.size(); ++i)
        times.push_back(static_cast<double>(m_presentedNs[i] - m_presentedNs[i - 1]) * 1e-6);
    return times;
}

std::string CBenchmark::Report() const
{
    if (m_presentedNs.size() < 2 || !m_mode || !m_startupMs)
        throw CFatalError("benchmark: the run ended before two frames and the baseline were measured");
    const std::vector<double> times = FrameTimesMs();
    double sum = 0.0;
    for (double time : times)
        sum += time;
    const double fps = ProgramFramesPerSecond();
    const double ratio = m_baselineFramesPerSecond > 0.0 ? fps / m_baselineFramesPerSecond : 0.0;
    return "mode=" + ModeText(DisplayMode{m_mode->width, m_mode->height, m_mode->bitsPerPixel, 0}) +
           " frames=" + std::to_string(m_presentedNs.size()) + " fps=" + Fixed(fps, 1) +
           " baseline_fps=" + Fixed(m_baselineFramesPerSecond, 1) + " ratio=" + Fixed(ratio, 2) +
           " mean_ms=" + Fixed(sum / static_cast<double>(times.size()), 3) +
           " p99_ms=" + Fixed(Percentile99(times), 3) + " startup_ms=" + Fixed(*m_startupMs, 1) +
           " peak_rss_mib=" + Fixed(PeakResidentMiB(), 1) + " objects=" + std::to_string(m_objects) +
           " objects_per_s=" + Fixed(fps * static_cast<double>(m_objects), 0) + "\n" + m_startupPhases.Line();
}

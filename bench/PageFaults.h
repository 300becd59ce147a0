// PageFaults.h — the process's page faults, for a benchmark's "faults" counter.
//
// A fault costs differently from host to host while the count stays the same, so every
// benchmark reports its faults per iteration beside its time.
//
//     const int64_t before = PageFaults();                      // every iteration timed whole
//     for (auto _ : state) { ... }
//     state.counters["faults"] = FaultsPerIteration(PageFaults() - before);
//
//     CFaultCounter faults;                                     // untimed set-up in each
//     for (auto _ : state) { ...set-up...; faults.Start(); ...timed work...; faults.Stop(); }
//     faults.Report(state);
#pragma once

#include <sys/resource.h>

#include <cstdint>

#include <benchmark/benchmark.h>

// The process's page faults so far, minor and major.
inline int64_t PageFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<int64_t>(usage.ru_minflt) + static_cast<int64_t>(usage.ru_majflt);
}

// The "faults" counter for `faults` page faults over all the iterations: their average.
inline benchmark::Counter FaultsPerIteration(int64_t faults)
{
    return benchmark::Counter(static_cast<double>(faults), benchmark::Counter::kAvgIterations);
}

// Faults summed over the timed parts of the iterations (set-up between them left out).
class CFaultCounter {
public:
    void Start() { m_start = PageFaults(); }
    void Stop() { m_total += PageFaults() - m_start; }

    // The "faults" counter: the sum averaged over the iterations.
    void Report(benchmark::State& state) const { state.counters["faults"] = FaultsPerIteration(m_total); }

private:
    int64_t m_start = 0;
    int64_t m_total = 0;
};

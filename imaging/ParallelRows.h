// ParallelRows.h — splits independent rows of work between the processor's cores.
//
// Each output row of a rescaling pass depends only on its inputs, so the rows can be
// shared out in contiguous ranges; the results do not depend on how they are shared.
#pragma once

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

// Work below this many output bytes is not worth a thread's start-up.
constexpr int64_t PARALLEL_MIN_BYTES = int64_t{1} << 18;

// Calls work(begin, end) over ranges that cover 0 .. count − 1 once, on up to two threads
// (the calling thread included) when totalBytes makes it worthwhile.
template <typename Work>
void ForEachRowRange(int32_t count, int64_t totalBytes, Work work)
{
    const int32_t cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    const int32_t parts = totalBytes < PARALLEL_MIN_BYTES ? 1 : std::min({cores, 2, count});
    if (parts <= 1) {
        work(0, count);
        return;
    }
    std::vector<std::jthread> helpers;
    const int32_t share = count / parts;
    for (int32_t p = 1; p < parts; ++p) {
        const int32_t begin = p * share;
        const int32_t end = p + 1 == parts ? count : begin + share;
        helpers.emplace_back([&work, begin, end] { work(begin, end); });
    }
    work(0, share);
}

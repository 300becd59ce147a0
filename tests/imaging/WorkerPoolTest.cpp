// WorkerPoolTest.cpp — the pool covers every item once whatever its size, passes
// failures on, and never waits on itself.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "imaging/WorkerPool.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/OutOfMemory.h"

namespace {

TEST(WorkerPool, EveryItemOnceInChunksWithinTheSlotsForAnyThreadCount)
{
    // Sizes below the sharing threshold, at chunk borders and large; small and large items.
    const std::pair<int32_t, int64_t> jobs[] = {{1, 1}, {5, 100}, {1000, 1}, {1080, 5760}, {3600, 360},
                                                {7, 1 << 20}, {4097, 64}};
    for (const int32_t threads : {1, 2, 7}) {
        CWorkerPool pool(threads);
        EXPECT_EQ(pool.ThreadCount(), threads);
        for (int32_t repeat = 0; repeat < 20; ++repeat)
            for (const auto& [count, itemBytes] : jobs) {
                std::vector<std::atomic<int32_t>> seen(static_cast<size_t>(count));
                std::atomic<bool> badSlot = false, badRange = false;
                pool.ForEachChunk(count, itemBytes, [&](int32_t begin, int32_t end, int32_t slot) {
                    badSlot = badSlot || slot < 0 || slot >= threads;
                    badRange = badRange || begin < 0 || begin >= end || end > count;
                    for (int32_t i = begin; i < end; ++i)
                        ++seen[static_cast<size_t>(i)];
                });
                ASSERT_FALSE(badSlot) << threads << " threads";
                ASSERT_FALSE(badRange) << threads << " threads";
                for (int32_t i = 0; i < count; ++i)
                    ASSERT_EQ(seen[static_cast<size_t>(i)], 1) << "item " << i << " of " << count << ", " << threads
                                                               << " threads";
            }
    }
    EXPECT_EQ(CWorkerPool(0).ThreadCount(), 1);
    EXPECT_EQ(CWorkerPool(100).ThreadCount(), CWorkerPool::MAX_THREADS);
    EXPECT_GE(CWorkerPool::Shared().ThreadCount(), 1);
}

TEST(WorkerPool, AFailureInAnyChunkReachesTheCallerAfterTheOthersRan)
{
    CWorkerPool pool(3);
    std::atomic<int32_t> ran = 0;
    EXPECT_THROW(pool.ForEachChunk(2000, 4096, [&](int32_t begin, int32_t end, int32_t) {
        ran += end - begin;
        if (begin <= 1500 && 1500 < end)
            throw std::runtime_error("chunk failed");
    }), std::runtime_error);
    EXPECT_EQ(ran, 2000);
    // And the pool still works afterwards.
    std::atomic<int32_t> after = 0;
    pool.ForEachChunk(2000, 4096, [&](int32_t begin, int32_t end, int32_t) { after += end - begin; });
    EXPECT_EQ(after, 2000);
}

TEST(WorkerPool, AThreadThatCannotStartFailsThePoolWithOneLineAndTheStartedOnesStop)
{
    // A starter that lets `allowed` threads start and then fails as the system does.
    int32_t allowed = 0;
    int32_t started = 0;
    const CWorkerPool::ThreadStarter limited = [&](std::function<void()> body) {
        if (started == allowed)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        ++started;
        return CWorkerPool::StartThread(std::move(body));
    };
    allowed = 2;
    try {
        CWorkerPool pool(4, limited);   // wants three: the third fails
        FAIL() << "the pool started without its third thread";
    } catch (const CFatalError& failure) {
        EXPECT_STREQ(failure.what(),
                     "cannot start the worker threads (2 of 3 started): Resource temporarily unavailable");
    }
    // Exactly as many as it may start: the pool works on them all.
    started = 0;
    CWorkerPool pool(3, limited);
    EXPECT_EQ(pool.ThreadCount(), 3);
    std::atomic<int32_t> ran = 0;
    pool.ForEachChunk(2000, 4096, [&](int32_t begin, int32_t end, int32_t) { ran += end - begin; });
    EXPECT_EQ(ran, 2000);
}

TEST(WorkerPool, AFailedAllocationOnAWorkerReachesTheCallerWithItsMessage)
{
    CWorkerPool pool(3);
    try {
        pool.ForEachChunk(2000, 4096, [&](int32_t begin, int32_t end, int32_t) {
            if (begin <= 1999 && 1999 < end)
                throw COutOfMemory("a test's rows", 4096);
        });
        FAIL() << "the failure was lost";
    } catch (const COutOfMemory& failure) {
        EXPECT_STREQ(failure.what(), "out of memory: cannot allocate 4096 bytes (0.0 MiB) for a test's rows");
    }
}

TEST(WorkerPool, AJobGivenFromInsideAJobRunsOnItsCallerAlone)
{
    CWorkerPool pool(2);
    std::atomic<int32_t> inner = 0;
    pool.ForEachChunk(100, 1 << 16, [&](int32_t begin, int32_t end, int32_t) {
        for (int32_t i = begin; i < end; ++i)
            pool.ForEachChunk(50, 1 << 16, [&](int32_t b, int32_t e, int32_t slot) {
                EXPECT_EQ(slot, 0);
                inner += e - b;
            });
    });
    EXPECT_EQ(inner, 100 * 50);
}

} // namespace

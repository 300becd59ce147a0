// SurfaceMemoryTest.cpp — surfaces' pixels cut from shared huge-page blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/video/SurfaceMemory.h"

namespace {

bool AllZero(const CSurfaceMemory::CPixels& pixels)
{
    return std::all_of(pixels.Data(), pixels.Data() + pixels.Size(), [](uint8_t b) { return b == 0; });
}

} // namespace

// Thirty frames of 480 × 135 at 32 bits: eight to a block, each zero, aligned, apart from
// the others, and kept after the memory and their neighbours are gone.
TEST(SurfaceMemory, FramesShareBlocksWithoutOverlapAndOutliveTheMemory)
{
    constexpr size_t FRAME = 480 * 4 * 135;
    std::vector<CSurfaceMemory::CPixels> frames;
    {
        CSurfaceMemory memory;
        for (int i = 0; i < 30; ++i)
            frames.push_back(memory.Allocate(FRAME));
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].Size(), FRAME);
        EXPECT_TRUE(AllZero(frames[i])) << i;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(frames[i].Data()) % CSurfaceMemory::ALIGNMENT, 0u) << i;
        std::fill(frames[i].Data(), frames[i].Data() + FRAME, static_cast<uint8_t>(i + 1));
    }
    // Eight frames fit a block: frame 8 starts a new one, frames 1..7 follow frame 0 in its.
    for (size_t i = 1; i < 8; ++i)
        EXPECT_EQ(frames[i].Data(), frames[0].Data() + i * FRAME) << i;   // FRAME is a multiple of 64
    EXPECT_TRUE(frames[8].Data() < frames[0].Data() || frames[8].Data() >= frames[0].Data() + 8 * FRAME);

    frames.erase(frames.begin(), frames.begin() + 7);   // the first block keeps frame 7 alive
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(std::all_of(frames[i].Data(), frames[i].Data() + FRAME,
                                [i](uint8_t b) { return b == static_cast<uint8_t>(i + 8); }))
            << i + 7;
}

// Small and large surfaces have memory of their own, zero too; odd sizes keep the next
// shared surface aligned.
TEST(SurfaceMemory, SizesOutsideTheSharedRangeHaveTheirOwnMemory)
{
    CSurfaceMemory memory;
    const CSurfaceMemory::CPixels shared = memory.Allocate(CSurfaceMemory::MIN_SHARED_BYTES + 1);
    const CSurfaceMemory::CPixels small = memory.Allocate(CSurfaceMemory::MIN_SHARED_BYTES - 1);
    const CSurfaceMemory::CPixels large = memory.Allocate(CSurfaceMemory::MAX_SHARED_BYTES + 1);
    const CSurfaceMemory::CPixels next = memory.Allocate(CSurfaceMemory::MAX_SHARED_BYTES);
    const CSurfaceMemory::CPixels empty = memory.Allocate(0);
    for (const CSurfaceMemory::CPixels* pixels : {&shared, &small, &large, &next})
        EXPECT_TRUE(AllZero(*pixels));
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_EQ(next.Data(), shared.Data() + CSurfaceMemory::MIN_SHARED_BYTES + CSurfaceMemory::ALIGNMENT);
    EXPECT_TRUE(small.Data() + small.Size() <= shared.Data() || small.Data() >= next.Data() + next.Size());
    EXPECT_TRUE(large.Data() + large.Size() <= shared.Data() || large.Data() >= next.Data() + next.Size());
}

// Surfaces from 16 KiB to 1 MiB, both included, are cut from the shared block: the next
// shared surface follows straight after one; a surface one byte outside the range has
// memory of its own, and the next shared surface starts a block of its own.
TEST(SurfaceMemory, TheSharedRangeIncludesBothEndsAndNotOneByteBeyond)
{
    constexpr size_t MIN = CSurfaceMemory::MIN_SHARED_BYTES, MAX = CSurfaceMemory::MAX_SHARED_BYTES;
    const std::pair<size_t, bool> cases[] = {
        {MIN - 1, false}, {MIN, true}, {MIN + 1, true}, {MAX - 1, true}, {MAX, true}, {MAX + 1, false}};
    for (const auto& [bytes, shared] : cases) {
        CSurfaceMemory memory;
        const CSurfaceMemory::CPixels first = memory.Allocate(bytes);
        const CSurfaceMemory::CPixels next = memory.Allocate(MIN);
        const size_t aligned = (bytes + CSurfaceMemory::ALIGNMENT - 1) / CSurfaceMemory::ALIGNMENT * CSurfaceMemory::ALIGNMENT;
        EXPECT_EQ(next.Data() == first.Data() + aligned, shared) << bytes << " bytes";
        EXPECT_EQ(first.Size(), bytes);
        EXPECT_TRUE(AllZero(first)) << bytes;
    }
}

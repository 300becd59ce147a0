// SdlMemoryTest.cpp — SDL's blocks through the memory functions the session installs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include <SDL.h>

#include "platform/video/SdlMemory.h"

namespace {

constexpr size_t LARGE = CSdlMemory::MAPPED_FROM_BYTES;

// Fills a block with a pattern that differs from byte to byte.
void FillPattern(void* block, size_t bytes)
{
    auto* p = static_cast<uint8_t*>(block);
    for (size_t i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(i * 7 + i / 4096);
}

bool HoldsPattern(const void* block, size_t bytes)
{
    const auto* p = static_cast<const uint8_t*>(block);
    for (size_t i = 0; i < bytes; ++i)
        if (p[i] != static_cast<uint8_t>(i * 7 + i / 4096))
            return false;
    return true;
}

} // namespace

// The session installed the functions: SDL's own calls reach them.
TEST(SdlMemory, SdlsLargeBlocksAreMappedAndItsSmallOnesAreNot)
{
    void* small = SDL_malloc(LARGE - 1);
    void* large = SDL_malloc(LARGE);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_FALSE(CSdlMemory::IsMapped(small));
    EXPECT_TRUE(CSdlMemory::IsMapped(large));
    FillPattern(large, LARGE);
    EXPECT_TRUE(HoldsPattern(large, LARGE));
    SDL_free(small);
    SDL_free(large);
    EXPECT_FALSE(CSdlMemory::IsMapped(large));

    // A texture-sized surface: SDL clears it, and it reads back as written.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 1920, 1080, 32, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(surface, nullptr);
    const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
    const size_t bytes = static_cast<size_t>(surface->pitch) * 1080;
    EXPECT_EQ(std::count(pixels, pixels + bytes, uint8_t{0}), static_cast<ptrdiff_t>(bytes));
    SDL_FreeSurface(surface);
}

TEST(SdlMemory, ZeroedBlocksAreZeroAndAnOverflowingCountIsRefused)
{
    auto* large = static_cast<uint8_t*>(SDL_calloc(LARGE / 4 + 3, 4));
    ASSERT_NE(large, nullptr);
    EXPECT_TRUE(CSdlMemory::IsMapped(large));
    EXPECT_EQ(std::count(large, large + LARGE + 12, uint8_t{0}), static_cast<ptrdiff_t>(LARGE + 12));
    SDL_free(large);

    auto* small = static_cast<uint8_t*>(SDL_calloc(100, 3));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(std::count(small, small + 300, uint8_t{0}), 300);
    SDL_free(small);

    EXPECT_EQ(CSdlMemory::AllocateZeroed(SIZE_MAX / 2, 3), nullptr);
}

// Growing moves a mapped block and keeps its bytes; shrinking keeps it where it is; a
// heap block stays on the heap whatever it grows to.
TEST(SdlMemory, ReallocationKeepsTheBytes)
{
    void* block = SDL_malloc(LARGE);
    ASSERT_NE(block, nullptr);
    FillPattern(block, LARGE);
    void* grown = SDL_realloc(block, 3 * LARGE);
    ASSERT_NE(grown, nullptr);
    EXPECT_TRUE(CSdlMemory::IsMapped(grown));
    EXPECT_TRUE(HoldsPattern(grown, LARGE));
    std::memset(static_cast<uint8_t*>(grown) + LARGE, 0xAB, 2 * LARGE);   // the new part can be written
    EXPECT_EQ(SDL_realloc(grown, LARGE / 2), grown);
    EXPECT_TRUE(HoldsPattern(grown, LARGE / 2));
    SDL_free(grown);

    void* heap = SDL_malloc(64);
    ASSERT_NE(heap, nullptr);
    FillPattern(heap, 64);
    void* moved = SDL_realloc(heap, 2 * LARGE);
    ASSERT_NE(moved, nullptr);
    EXPECT_FALSE(CSdlMemory::IsMapped(moved));
    EXPECT_TRUE(HoldsPattern(moved, 64));
    SDL_free(moved);

    void* fresh = SDL_realloc(nullptr, LARGE);
    EXPECT_TRUE(CSdlMemory::IsMapped(fresh));
    SDL_free(fresh);
}

// A block SDL took from the heap before the functions were installed is freed to the heap.
TEST(SdlMemory, HeapBlocksFromBeforeTheInstallAreFreedToTheHeap)
{
    void* earlier = std::malloc(2 * LARGE);
    ASSERT_NE(earlier, nullptr);
    EXPECT_FALSE(CSdlMemory::IsMapped(earlier));
    CSdlMemory::Free(earlier);   // under the sanitizers a wrong free would be reported
    CSdlMemory::Free(nullptr);
    CSdlMemory::Install();       // again: nothing changes
    void* large = SDL_malloc(LARGE);
    EXPECT_TRUE(CSdlMemory::IsMapped(large));
    SDL_free(large);
}

// Zeroed blocks are mapped from exactly MAPPED_FROM_BYTES, counted as count × size; a
// mapped block keeps its place when asked for the size it has, and moves for a byte more.
TEST(SdlMemory, ZeroedAndReallocatedBlocksMeetTheThresholdExactly)
{
    for (const auto& [count, size, mapped] : {std::tuple{LARGE / 4, size_t{4}, true},
                                              std::tuple{LARGE - 1, size_t{1}, false},
                                              std::tuple{size_t{1}, LARGE, true},
                                              std::tuple{(LARGE - 1) / 3, size_t{3}, false}}) {
        void* block = SDL_calloc(count, size);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(CSdlMemory::IsMapped(block), mapped) << count << " x " << size;
        SDL_free(block);
    }

    void* block = SDL_malloc(LARGE);
    ASSERT_NE(block, nullptr);
    FillPattern(block, LARGE);
    ASSERT_EQ(SDL_realloc(block, LARGE), block);   // else the block below is gone
    void* grown = SDL_realloc(block, LARGE + 1);
    ASSERT_NE(grown, nullptr);
    EXPECT_NE(grown, block);
    EXPECT_TRUE(CSdlMemory::IsMapped(grown));
    EXPECT_FALSE(CSdlMemory::IsMapped(block));
    EXPECT_TRUE(HoldsPattern(grown, LARGE));
    SDL_free(grown);
}

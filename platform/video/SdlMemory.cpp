// SdlMemory.cpp — the table of mapped blocks and SDL's four memory functions over it.
#include "platform/video/SdlMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include <SDL.h>

namespace {

// The mapped blocks SDL holds, found again by their start when SDL frees one. SDL holds
// a handful at a time (its textures, window surfaces and large surfaces), so a list will do.
class CMappedBlocks {
public:
    // A mapped block of `bytes`, or null when the system has no memory for it.
    void* Map(size_t bytes)
    {
        try {
            CPixelBuffer block(bytes);
            void* start = block.Data();
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_blocks.push_back(std::move(block));
            return start;
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    // The size asked for of the mapped block starting at `start`, 0 when there is none.
    size_t SizeOf(const void* start)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = Find(start);
        return found != m_blocks.end() ? found->Size() : 0;
    }

    // Unmaps the block starting at `start`; false when no mapped block starts there.
    bool Unmap(const void* start)
    {
        CPixelBuffer block;   // unmapped after the lock is let go
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = Find(start);
        if (found == m_blocks.end())
            return false;
        block = std::move(*found);
        m_blocks.erase(found);
        return true;
    }

private:
    std::vector<CPixelBuffer>::iterator Find(const void* start)
    {
        return std::find_if(m_blocks.begin(), m_blocks.end(),
                            [start](const CPixelBuffer& block) { return block.Data() == start; });
    }

    std::mutex m_mutex;
    std::vector<CPixelBuffer> m_blocks;
};

// Never destroyed: SDL may free blocks from static destructors of other libraries.
CMappedBlocks& MappedBlocks()
{
    static CMappedBlocks* const blocks = new CMappedBlocks;
    return *blocks;
}

} // namespace

void CSdlMemory::Install()
{
    static std::once_flag installed;
    std::call_once(installed, [] { SDL_SetMemoryFunctions(Allocate, AllocateZeroed, Reallocate, Free); });
}

bool CSdlMemory::IsMapped(const void* block)
{
    return block != nullptr && MappedBlocks().SizeOf(block) > 0;
}

void* CSdlMemory::Allocate(size_t bytes)
{
    return bytes >= MAPPED_FROM_BYTES ? MappedBlocks().Map(bytes) : std::malloc(bytes);
}

// New mappings are zero already.
void* CSdlMemory::AllocateZeroed(size_t count, size_t size)
{
    if (size != 0 && count > SIZE_MAX / size)
        return nullptr;
    const size_t bytes = count * size;
    return bytes >= MAPPED_FROM_BYTES ? MappedBlocks().Map(bytes) : std::calloc(count, size);
}

// A heap block stays on the heap whatever its new size (its old size is not known here);
// a mapped block keeps its mapping when it shrinks and moves to a new block when it grows.
void* CSdlMemory::Reallocate(void* block, size_t bytes)
{
    if (block == nullptr)
        return Allocate(bytes);
    const size_t oldBytes = MappedBlocks().SizeOf(block);
    if (oldBytes == 0)
        return std::realloc(block, bytes);
    if (bytes <= oldBytes)
        return block;
    void* moved = Allocate(bytes);
    if (moved == nullptr)
        return nullptr;   // the old block stays, as realloc leaves it
    std::memcpy(moved, block, oldBytes);
    Free(block);
    return moved;
}

void CSdlMemory::Free(void* block)
{
    if (block != nullptr && !MappedBlocks().Unmap(block))
        std::free(block);
}

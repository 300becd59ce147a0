// SdlMemory.h — SDL's memory functions, with its large blocks mapped for huge pages.
//
// SDL clears every surface and texture it makes. Its blocks come from the C heap, where a
// block of megabytes is a fresh mapping whose 4 KiB pages each cost a page fault when
// cleared: the 1920 × 1080 streaming texture alone is over 2,000 of them. Installed,
// blocks of MAPPED_FROM_BYTES and more are CPixelBuffer mappings (huge pages, faulted in
// with one call) and the rest stay on the heap.
//
//     CSdlMemory::Install();   // before SDL's first allocation; later calls do nothing
//
// SDL keeps its memory functions for the whole process and passes them no context, so
// the mapped blocks are listed in one table for the process. A block SDL had from the
// heap before Install is still freed to the heap.
#pragma once

#include <cstddef>

#include "platform/bitmaps/PixelBuffer.h"

class CSdlMemory {
public:
    // Blocks asked for from this size on are mapped; smaller ones come from the heap.
    static constexpr size_t MAPPED_FROM_BYTES = CPixelBuffer::HUGE_PAGE_FROM_BYTES;

    // Makes SDL allocate through this class from now on, once per process.
    static void Install();

    // Whether `block` is the start of a mapped block not yet freed.
    static bool IsMapped(const void* block);

    // SDL's four memory functions, as Install hands them to SDL.
    static void* Allocate(size_t bytes);
    static void* AllocateZeroed(size_t count, size_t size);
    static void* Reallocate(void* block, size_t bytes);
    static void Free(void* block);
};

// RescaleScratch.h — the working memory of rescales, kept from one rescale to the next.
//
// A rescale needs the source turned on its side, the intermediate image both ways round
// and key masks for each: several MiB for a full-screen picture. Made afresh for every
// rescale, those buffers cost a page fault per 4 KiB each time; a scratch object owned by
// whoever rescales several pictures (or one picture many times) is sized once, for the
// largest, and reused.
//
//     CRescaleScratch scratch;
//     for (...) { CBitmapRescaler rescaler(&picture, &scratch); rescaler.Rescale(...); }
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/bitmaps/PixelBuffer.h"

class CRescaleScratch {
public:
    // The buffers of one rescale, each used for one purpose only.
    enum Slot { SOURCE_COLUMNS, SOURCE_COLUMN_KEYS, INTERMEDIATE_COLUMNS, INTERMEDIATE, INTERMEDIATE_KEYS, SLOT_COUNT };

    CRescaleScratch() = default;
    virtual ~CRescaleScratch() = default;

    CRescaleScratch(const CRescaleScratch&) = delete;
    CRescaleScratch& operator=(const CRescaleScratch&) = delete;

    // At least `bytes` bytes for that purpose, contents undefined; valid until the next
    // call for the same slot or Release.
    uint8_t* Buffer(Slot slot, size_t bytes);

    // Gives all the memory back, for when no more rescales are coming.
    void Release();

    // Bytes held in all.
    size_t Bytes() const;

private:
    std::array<CPixelBuffer, SLOT_COUNT> m_buffers;
};

// SurfaceBlitter.h — the pixel loops of a blit between two surfaces of the same format.
//
// Straight (unstretched) blits copy whole row segments, or, with a colour key, test each
// pixel's raw value; stretched blits pick the source pixel of each destination pixel from
// the mapping's row and column tables. Source and destination must not share memory.
#pragma once

#include <cstdint>

#include "platform/video/BlitMapping.h"
#include "platform/video/PixelView.h"

// The raw values low..high (inclusive) of a source colour key.
struct ColourKeyRange {
    uint32_t low = 0;
    uint32_t high = 0;
};

// Copies the mapped pixels of `source` onto `destination`; with a key, source pixels whose
// raw value lies in the key's range are left out.
void CopyPixels(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                const ColourKeyRange* key);
// The same for the target rows top..bottom − 1 only (destination rows, cut to the mapping's
// target): drawn band by band, a blit writes exactly the pixels it writes whole.
void CopyPixelRows(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                   const ColourKeyRange* key, int32_t top, int32_t bottom);

// BlitBatch.h — blits onto one surface, recorded as they are asked for and drawn later in
// bands of rows.
//
// A blit comes here validated and mapped, so recording it costs next to nothing. Drawing
// waits until something needs the pixels (the device decides when). Then the destination's
// rows are cut into bands, and each band draws every recorded blit that reaches it, cut to
// its rows, in the order they were recorded: every pixel ends as it would had the blits
// been drawn one after another, whatever the number of bands, their order and the threads
// that draw them. A band is sized so that its rows of the destination stay in one core's
// cache while the band's blits are drawn into it; the runner shares the bands out over
// the cores. Consecutive blits that copy the same source pixels to the same places (the
// background's repairs of overlapping rectangles) are drawn as their union, each pixel
// once, which gives the same pixels.
//
//     CBlitBatch batch;
//     batch.SetRunner(...);                       // or none: the caller draws every band
//     batch.Record(backBuffer, sprite, mapping, &key);
//     ...
//     batch.Draw();                               // before anything reads backBuffer
//
// The source pixels are read only when the batch draws: until then nothing may change them
// or free them, nor touch the destination's pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/video/BlitMapping.h"
#include "platform/video/PixelView.h"
#include "platform/video/SurfaceBlitter.h"

class CBlitBatch {
public:
    // Draws the bands first .. last − 1.
    using BandDraw = std::function<void(int32_t first, int32_t last)>;
    // Calls `draw` over ranges that together cover bands 0 .. count − 1 once each, in any
    // order and on any threads, and returns when every band is drawn. `bandBytes` is about
    // what drawing one band writes, for deciding whether sharing is worth it.
    using BandRunner = std::function<void(int32_t count, int64_t bandBytes, const BandDraw& draw)>;

    // Destination bytes in a band when the batch chooses the count: an eighth of a 2 MiB
    // level-2 cache, the rest left to the sprites' frames the band's blits read (the ball's
    // 30 frames at 1920 × 1080 × 32 are 1.3 MB). Measured with 10,000 balls: 256 KiB bands
    // gave about 18 % more frames a second than 1 MiB ones, 128 KiB no more than 256.
    static constexpr int64_t BAND_BYTES = int64_t{1} << 18;
    // Bands are never thinner than this (a band's blits cost a little each, however few
    // rows they draw in it).
    static constexpr int32_t MIN_BAND_ROWS = 16;
    // ... and, above that, at least this many, so that the cores share smaller frames
    // too, and a core that the system puts aside holds up little.
    static constexpr int32_t MIN_BANDS = 8;
    // The most bands that SetBandCount takes.
    static constexpr int32_t MAX_BANDS = 4096;

    CBlitBatch() = default;
    virtual ~CBlitBatch() = default;

    CBlitBatch(const CBlitBatch&) = delete;
    CBlitBatch& operator=(const CBlitBatch&) = delete;

    // How many bands the destination is cut into: 0 lets the batch size them for the cache
    // (the default: BAND_BYTES, or less to make MIN_BANDS, never under MIN_BAND_ROWS); 1
    // draws each blit whole, in order, on the caller. Counts above the destination's rows
    // give bands of one row. False, changing nothing, for a count below 0 or above
    // MAX_BANDS.
    bool SetBandCount(int32_t bands);
    int32_t BandCount() const { return m_bandCount; }
    // Who draws the bands; none (the default) has the caller draw them in turn.
    void SetRunner(BandRunner runner);

    bool IsEmpty() const { return m_blits.empty(); }
    // The number of blits waiting to be drawn.
    int32_t Pending() const { return static_cast<int32_t>(m_blits.size()); }
    // True when blits onto `destination` may be recorded: the batch is empty or holds
    // blits onto that same memory already.
    bool Takes(const PixelView& destination) const;

    // Records a blit of `source` onto `destination` along `mapping` (MapBlit's, with at
    // least one pixel), with the key or none. The destination must be one Takes accepts.
    void Record(const PixelView& destination, const PixelView& source, BlitMapping mapping,
                const ColourKeyRange* key);

    // Draws every recorded blit and empties the batch (emptied even when the runner throws).
    void Draw();

    // The rows of one band of a destination `height` rows high, `pitch` bytes apart, at the
    // band count set.
    int32_t BandRows(int32_t height, int32_t pitch) const;

private:
    // A blit as recorded.
    struct RecordedBlit {
        PixelView source;
        BlitMapping mapping;
        ColourKeyRange key;
        bool keyed = false;
    };
    // Columns left .. right − 1 of one row.
    struct ColumnSpan {
        int32_t left;
        int32_t right;
    };

    // True when b copies the same source pixels to the same places as a, under the same key.
    static bool SameCopy(const RecordedBlit& a, const RecordedBlit& b);
    // Sorts the blits into the bands they reach, each band's in recorded order.
    void SortIntoBands(int32_t bandRows, int32_t bands);
    // Draws bands first .. last − 1, each `bandRows` high.
    void DrawBands(int32_t first, int32_t last, int32_t bandRows) const;
    // Draws the rows top .. bottom − 1 of consecutive blits of one copy, each pixel once;
    // `spans` is working memory.
    void DrawUnion(std::span<const int32_t> run, int32_t top, int32_t bottom, std::vector<ColumnSpan>& spans) const;

    PixelView m_destination;
    std::vector<RecordedBlit> m_blits;
    std::vector<std::vector<int32_t>> m_bandBlits;   // per band, indexes into m_blits; kept for reuse
    int64_t m_recordedPixels = 0;                     // what the blits write, for the runner
    int32_t m_bandCount = 0;
    BandRunner m_runner;
};

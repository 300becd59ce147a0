// FrameRecorder.h — the frames tolmix presents, recorded as an animated GIF (--record).
//
// Every presented frame is reduced to 256 colours: in 8-bit modes it already is (the
// screen's own indexes and palette, stored exactly); in other depths each pixel takes the
// truly nearest colour of one palette that CAccurateQuantizer (tolmix-image's default
// method) chooses from the first frame: the frames share the background and sprites
// that make up most of their colours.
// Each stored image then covers only the rectangle that changed since the last stored one,
// with the unchanged pixels inside it left transparent where an index is free for that.
//
// GIF players show delays under 2 hundredths of a second as a tenth, so frames closer than
// MIN_DELAY_MS to the last stored one are merged into it: the later frame replaces it and
// keeps its start. The last frame presented is always stored, whole and exact.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"

class CGifWriter;
class CAccurateQuantizer;
class CSurface;

// A frame reduced to palette indexes, one byte a pixel, rows packed.
struct IndexedFrame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> indexes;
    std::array<PaletteEntry, 256> palette{};
};

class CFrameRecorder {
public:
    static constexpr uint64_t MIN_DELAY_MS = 20;

    explicit CFrameRecorder(std::filesystem::path path);
    ~CFrameRecorder();

    CFrameRecorder(const CFrameRecorder&) = delete;
    CFrameRecorder& operator=(const CFrameRecorder&) = delete;

    // The back buffer just presented, at `timeMs` of the world's clock. Throws CFatalError
    // when the surface cannot be read or the file written.
    void AddSurface(CSurface& backBuffer, uint64_t timeMs);
    // The same for a frame already reduced to indexes. Every frame has the first one's size.
    void AddFrame(IndexedFrame frame, uint64_t timeMs);
    // Stores the held frame (for as long as the frames before it lasted) and gives the file
    // its name. Without any frame, no file is written.
    void Finish();

    // Images stored so far.
    int32_t StoredImages() const;

private:
    // The frame in indexes: the surface's own in 8-bit modes, else through the quantizer.
    IndexedFrame Reduce(CSurface& backBuffer);
    // Stores the held frame, shown until `untilMs`.
    void StoreHeld(uint64_t untilMs);

    std::filesystem::path m_path;
    std::unique_ptr<CGifWriter> m_writer;
    std::unique_ptr<CAccurateQuantizer> m_quantizer;   // other depths: the first frame's palette
    IndexedFrame m_shown;      // the animation as it stands after the stored images
    IndexedFrame m_held;       // the newest frame, not stored yet
    std::array<PaletteEntry, 256> m_firstPalette{};   // the file's global colours
    bool m_holding = false;
    uint64_t m_firstMs = 0;
    uint64_t m_heldMs = 0;     // when the held frame starts
    uint64_t m_lastMs = 0;     // when the newest frame came
    uint64_t m_lastStepMs = MIN_DELAY_MS;   // the time between the two newest frames
};

// The smallest rectangle holding every pixel in which the two frames differ (empty when
// none does). The frames have the same size.
Rect ChangedRect(const IndexedFrame& before, const IndexedFrame& after);

// An index that no pixel of `rect` in `frame` uses, or -1 when all 256 are used.
int32_t UnusedIndex(const IndexedFrame& frame, const Rect& rect);

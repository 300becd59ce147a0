// FrameRecorder.cpp — frames reduced to indexes, merged to playable delays, stored as the
// changed rectangle of each.
#include "app/FrameRecorder.h"

#include <algorithm>
#include <bitset>
#include <string>
#include <utility>

#include "imaging/AccurateQuantizer.h"
#include "picturefiles/GifWriter.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/Surface.h"

namespace {

constexpr int32_t PALETTE_COLOURS = 256;

// Milliseconds since the first frame as whole hundredths, rounded: delays are differences
// of these, so rounding never adds up over a long recording.
int64_t Centiseconds(uint64_t ms)
{
    return static_cast<int64_t>((ms + 5) / 10);
}

// The pixels of `rect` in `frame`, row by row.
std::vector<uint8_t> CutOut(const IndexedFrame& frame, const Rect& rect)
{
    std::vector<uint8_t> cut;
    cut.reserve(static_cast<size_t>(rect.Width()) * static_cast<size_t>(rect.Height()));
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        const auto row = frame.indexes.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
        cut.insert(cut.end(), row + rect.left, row + rect.right);
    }
    return cut;
}

// The same, with every pixel that `before` already shows turned to `transparent`.
std::vector<uint8_t> CutOutChanges(const IndexedFrame& before, const IndexedFrame& after, const Rect& rect,
                                   uint8_t transparent)
{
    std::vector<uint8_t> cut = CutOut(after, rect);
    size_t i = 0;
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x, ++i) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(after.width) + static_cast<size_t>(x);
            if (before.indexes[at] == after.indexes[at])
                cut[i] = transparent;
        }
    return cut;
}

// The 8-bit back buffer's own indexes and the palette it is shown through.
IndexedFrame ReadIndexes(CSurface& surface)
{
    IndexedFrame frame;
    const std::shared_ptr<CDisplayPalette>& palette = surface.Palette();
    if (!palette)
        throw CFatalError("recording: an 8-bit frame without a palette");
    frame.palette = palette->Entries();
    LockedPixels pixels;
    if (surface.Lock(pixels) != DISPLAY_OK)
        throw CFatalError("recording: cannot read the frame: " + surface.LastError());
    frame.width = pixels.width;
    frame.height = pixels.height;
    frame.indexes.resize(CheckedArrayBytes(int64_t{pixels.width} * pixels.height, 1, "recorded frame"));
    for (int32_t y = 0; y < pixels.height; ++y)
        std::copy_n(pixels.bits + static_cast<std::ptrdiff_t>(y) * pixels.pitch, pixels.width,
                    frame.indexes.begin() + static_cast<std::ptrdiff_t>(y) * pixels.width);
    surface.Unlock();
    return frame;
}

// A 24-bit picture mapped pixel by pixel to the truly nearest entry of the quantizer's palette.
IndexedFrame MapToPalette(const CBitmap24& picture, CAccurateQuantizer& quantizer)
{
    IndexedFrame frame;
    frame.width = picture.Width();
    frame.height = picture.Height();
    const std::vector<ColourRef>& colours = quantizer.Colours();
    for (size_t i = 0; i < colours.size(); ++i)
        frame.palette[i] = PaletteEntry{RedOf(colours[i]), GreenOf(colours[i]), BlueOf(colours[i]), 0};
    frame.indexes = quantizer.Reduce(picture, std::nullopt, false);
    return frame;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Comparing frames
// ---------------------------------------------------------------------------------------

Rect ChangedRect(const IndexedFrame& before, const IndexedFrame& after)
{
    Rect changed{after.width, after.height, 0, 0};
    for (int32_t y = 0; y < after.height; ++y) {
        const size_t row = static_cast<size_t>(y) * static_cast<size_t>(after.width);
        for (int32_t x = 0; x < after.width; ++x)
            if (before.indexes[row + static_cast<size_t>(x)] != after.indexes[row + static_cast<size_t>(x)]) {
                changed.left = std::min(changed.left, x);
                changed.right = std::max(changed.right, x + 1);
                changed.top = std::min(changed.top, y);
                changed.bottom = y + 1;
            }
    }
    return changed.IsEmpty() ? Rect{} : changed;
}

int32_t UnusedIndex(const IndexedFrame& frame, const Rect& rect)
{
    std::bitset<PALETTE_COLOURS> used;
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x)
            used.set(frame.indexes[static_cast<size_t>(y) * static_cast<size_t>(frame.width) + static_cast<size_t>(x)]);
    for (int32_t index = 0; index < PALETTE_COLOURS; ++index)
        if (!used.test(static_cast<size_t>(index)))
            return index;
    return CGifWriter::NO_TRANSPARENT_INDEX;
}

// ---------------------------------------------------------------------------------------
// Recording
// ---------------------------------------------------------------------------------------

CFrameRecorder::CFrameRecorder(std::filesystem::path path) : m_path(std::move(path)) {}

CFrameRecorder::~CFrameRecorder() = default;

int32_t CFrameRecorder::StoredImages() const
{
    return m_writer ? m_writer->ImageCount() : 0;
}

void CFrameRecorder::AddSurface(CSurface& backBuffer, uint64_t timeMs)
{
    AddFrame(Reduce(backBuffer), timeMs);
}

IndexedFrame CFrameRecorder::Reduce(CSurface& backBuffer)
{
    if (backBuffer.BitsPerPixel() == 8)
        return ReadIndexes(backBuffer);
    const std::unique_ptr<CBitmap24> picture = backBuffer.ToBitmap();
    if (!picture)
        throw CFatalError("recording: cannot read the frame: " + backBuffer.LastError());
    if (!m_quantizer) {
        m_quantizer = std::make_unique<CAccurateQuantizer>(PALETTE_COLOURS);
        m_quantizer->AddPicture(*picture, std::nullopt);
        m_quantizer->Compute();
    }
    return MapToPalette(*picture, *m_quantizer);
}

// A frame within MIN_DELAY_MS of the held one replaces it (and keeps its start).
void CFrameRecorder::AddFrame(IndexedFrame frame, uint64_t timeMs)
{
    if (!m_writer) {
        m_writer = std::make_unique<CGifWriter>(m_path, frame.width, frame.height, frame.palette);
        m_firstPalette = frame.palette;
        m_firstMs = timeMs;
    } else if (frame.width != m_held.width || frame.height != m_held.height) {
        throw CFatalError("recording: the frames changed size");
    }
    if (m_holding) {
        m_lastStepMs = timeMs - m_lastMs;
        if (timeMs - m_heldMs >= MIN_DELAY_MS) {
            StoreHeld(timeMs);
            m_heldMs = timeMs;
        }
    } else {
        m_heldMs = timeMs;
    }
    m_held = std::move(frame);
    m_holding = true;
    m_lastMs = timeMs;
}

// The first image is the whole frame; later ones the rectangle that changed (a single
// unchanged pixel when nothing did: every image must have one). A palette that changed
// recolours every pixel, so that frame is stored whole with its own colours.
void CFrameRecorder::StoreHeld(uint64_t untilMs)
{
    const int32_t delay = static_cast<int32_t>(Centiseconds(untilMs - m_firstMs) - Centiseconds(m_heldMs - m_firstMs));
    const Rect whole{0, 0, m_held.width, m_held.height};
    const bool first = m_writer->ImageCount() == 0;
    if (first || m_held.palette != m_shown.palette) {
        const bool global = first || m_held.palette == m_firstPalette;
        m_writer->AddImage(whole, m_held.indexes, delay, CGifWriter::NO_TRANSPARENT_INDEX,
                           global ? nullptr : &m_held.palette);
    } else {
        Rect changed = ChangedRect(m_shown, m_held);
        if (changed.IsEmpty())
            changed = Rect{0, 0, 1, 1};
        const int32_t transparent = UnusedIndex(m_held, changed);
        const std::vector<uint8_t> pixels = transparent < 0
            ? CutOut(m_held, changed)
            : CutOutChanges(m_shown, m_held, changed, static_cast<uint8_t>(transparent));
        m_writer->AddImage(changed, pixels, delay, transparent);
    }
    m_shown = m_held;
}

void CFrameRecorder::Finish()
{
    if (!m_writer)
        return;
    if (m_holding) {
        StoreHeld(m_lastMs + std::max(m_lastStepMs, MIN_DELAY_MS));
        m_holding = false;
    }
    m_writer->Finish();
}

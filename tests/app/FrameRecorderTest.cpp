// FrameRecorderTest.cpp — --record's frames as GIF images: the changed rectangle and the
// free index that stands for "unchanged", frames merged to playable delays, a palette
// change stored whole, and the file written only when the recording is finished.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FrameRecorder.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/GifFrames.h"
#include "tests/support/ScratchFolderTest.h"

namespace {

// An 8 × 4 frame of index 0 with the given pixels set, and a grey ramp of a palette
// (entry i is i, i, i) or its inverse.
IndexedFrame Frame(std::initializer_list<std::tuple<int32_t, int32_t, uint8_t>> pixels, bool inverse = false)
{
    IndexedFrame frame;
    frame.width = 8;
    frame.height = 4;
    frame.indexes.assign(32, 0);
    for (const auto& [x, y, index] : pixels)
        frame.indexes[static_cast<size_t>(y * 8 + x)] = index;
    for (int32_t i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(inverse ? 255 - i : i);
        frame.palette[static_cast<size_t>(i)] = PaletteEntry{level, level, level, 0};
    }
    return frame;
}

// The grey level a frame shows at (x, y).
uint8_t LevelAt(const IndexedFrame& frame, int32_t x, int32_t y)
{
    return frame.palette[frame.indexes[static_cast<size_t>(y * frame.width + x)]].red;
}

using FrameRecorderTest = CScratchFolderTest;

TEST(FrameComparison, TheChangedRectangleAndAnIndexNoPixelUses)
{
    const IndexedFrame before = Frame({{1, 1, 5}});
    EXPECT_EQ(ChangedRect(before, before), Rect{});
    EXPECT_EQ(ChangedRect(before, Frame({})), (Rect{1, 1, 2, 2}));
    EXPECT_EQ(ChangedRect(before, Frame({{1, 1, 5}, {6, 0, 2}, {3, 3, 9}})), (Rect{3, 0, 7, 4}));

    EXPECT_EQ(UnusedIndex(before, Rect{0, 0, 8, 4}), 1);        // 0 and 5 are used
    EXPECT_EQ(UnusedIndex(before, Rect{2, 2, 4, 4}), 1);        // only 0 inside
    IndexedFrame full = Frame({});
    full.width = 16;
    full.height = 16;
    full.indexes.resize(256);
    for (size_t i = 0; i < 256; ++i)
        full.indexes[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(UnusedIndex(full, Rect{0, 0, 16, 16}), -1);
    EXPECT_EQ(UnusedIndex(full, Rect{0, 1, 16, 16}), 0);
}

// Frames at 0, 10, 30, 35, 60 and 90 ms: 10 is merged into 0's image (shown from 0), 35
// into 30's. Each image holds what changed since the last stored one, with the unchanged
// pixels inside its rectangle transparent; the palette change of the last frame stores it
// whole with its own colours. Decoded, every stored frame shows exactly.
TEST_F(FrameRecorderTest, MergesCloseFramesAndStoresOnlyWhatChanged)
{
    const std::vector<std::pair<uint64_t, IndexedFrame>> frames = {
        {0, Frame({{0, 0, 7}})},
        {10, Frame({{0, 0, 7}, {2, 1, 8}})},
        {30, Frame({{0, 0, 7}, {2, 1, 8}, {5, 2, 3}, {7, 3, 3}})},
        {35, Frame({{0, 0, 7}, {2, 1, 9}, {5, 2, 3}, {7, 3, 3}})},
        {60, Frame({{0, 0, 7}, {2, 1, 9}, {5, 2, 3}, {7, 3, 3}})},
        {90, Frame({{0, 0, 7}, {2, 1, 9}, {5, 2, 3}, {7, 3, 3}}, true)},
    };
    CFrameRecorder recorder(Path("frames.gif"));
    for (const auto& [time, frame] : frames)
        recorder.AddFrame(frame, time);
    EXPECT_FALSE(std::filesystem::exists(Path("frames.gif"))) << "written before it was finished";
    recorder.Finish();
    EXPECT_EQ(recorder.StoredImages(), 4);

    const GifAnimation gif = DecodeGif(Path("frames.gif"));
    ASSERT_EQ(gif.images.size(), 4u);
    const std::vector<std::pair<Rect, int>> expected = {
        {Rect{0, 0, 8, 4}, 3},    // 0 (replaced by 10) until 30
        {Rect{2, 1, 8, 4}, 3},    // 30 (replaced by 35) until 60: the 8 became 9, the 3s came
        {Rect{0, 0, 1, 1}, 3},    // 60: nothing changed, one pixel stands for it
        {Rect{0, 0, 8, 4}, 3},    // 90: a new palette, whole; shown as long as the step before
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(gif.images[i].rect, expected[i].first) << "image " << i;
        EXPECT_EQ(gif.images[i].delayCs, expected[i].second) << "image " << i;
    }
    EXPECT_EQ(gif.images[1].transparent, 1);   // indexes 0, 3 and 9 are in use there
    const IndexedFrame& last = frames.back().second;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(PixelAt(*gif.last, x, y).red, LevelAt(last, x, y)) << x << ", " << y;
}

// A frame 19 ms after the held one replaces it; one 20 ms after is stored on its own.
TEST_F(FrameRecorderTest, FramesTwentyMillisecondsApartAreKeptAndNineteenApartMerged)
{
    CFrameRecorder recorder(Path("frames.gif"));
    const std::pair<uint64_t, uint8_t> frames[] = {{0, 1}, {19, 2}, {39, 3}, {59, 4}};
    for (const auto& [time, index] : frames)
        recorder.AddFrame(Frame({{0, 0, index}}), time);
    recorder.Finish();
    EXPECT_EQ(recorder.StoredImages(), 3);   // 19 merged into 0's; 39 and 59 stored
    const GifAnimation gif = DecodeGif(Path("frames.gif"));
    ASSERT_EQ(gif.images.size(), 3u);
    EXPECT_EQ(gif.images[1].delayCs, 2);     // 39 until 59
    EXPECT_EQ(PixelAt(*gif.last, 0, 0).red, 4);
}

TEST_F(FrameRecorderTest, NoFrameNoFileAndAFolderThatIsNotThereFailsAtTheFirstFrame)
{
    CFrameRecorder empty(Path("none.gif"));
    empty.Finish();
    EXPECT_FALSE(std::filesystem::exists(Path("none.gif")));

    CFrameRecorder nowhere(Path("missing/loop.gif"));
    EXPECT_THROW(nowhere.AddFrame(Frame({}), 0), CFatalError);

    CFrameRecorder resized(Path("resized.gif"));
    resized.AddFrame(Frame({}), 0);
    IndexedFrame wider = Frame({});
    wider.width = 16;
    wider.indexes.resize(64);
    EXPECT_THROW(resized.AddFrame(wider, 40), CFatalError);
}

} // namespace

// ResourcePicturesTest.cpp — checks the committed pictures in res/ and their generator.
//
// The pictures must be what the sprite code expects (sizes, 24-bit BMP, frame layout),
// must keep to the key colour rules (the background never shows the screen's transparent
// blue; every sprite frame has a magenta key in its top-left pixel and margin and none
// inside the sprite), must animate (every frame differs from the next, round the loop),
// and must be exactly what tolmix-make-pictures writes, so they can always be rebuilt.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "picturefiles/PictureFile.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ProgramRun.h"

namespace {

// --- Helpers -----------------------------------------------------------------------------

const std::filesystem::path RESOURCE_DIR = std::filesystem::path(TOLMIX_SOURCE_DIR) / "res";
const std::array<const char*, 3> PICTURE_FILES = {"BACKGROUND1.bmp", "BALL1.bmp", "PADDLE1.bmp"};
constexpr Pixel24 MAGENTA = Rgb(255, 0, 255);
constexpr int32_t MARGIN = 2;
constexpr int32_t FRAME_COUNT = 30;

std::unique_ptr<CBitmap24> LoadResource(const char* name)
{
    return ReadPicture(RESOURCE_DIR / name);
}

// Whether frame `a` and frame `b` of a strip differ in any pixel.
bool FramesDiffer(const CBitmap24& strip, int32_t frameHeight, int32_t a, int32_t b)
{
    for (int32_t y = 0; y < frameHeight; ++y)
        for (int32_t x = 0; x < strip.Width(); ++x)
            if (PixelAt(strip, x, a * frameHeight + y) != PixelAt(strip, x, b * frameHeight + y))
                return true;
    return false;
}

uint32_t LittleEndian(const std::string& bytes, size_t offset, size_t size)
{
    uint32_t value = 0;
    for (size_t i = size; i-- > 0;)
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

using ResourcePictures = CScratchFolderTest;

// --- The pictures ------------------------------------------------------------------------

TEST_F(ResourcePictures, AreUncompressed24BitBmpFilesOfTheSizesTheSpritesExpect)
{
    const struct {
        const char* name;
        int32_t width, height;
    } pictures[] = {{"BACKGROUND1.bmp", 640, 480}, {"BALL1.bmp", 40, 40 * FRAME_COUNT}, {"PADDLE1.bmp", 160, 60 * FRAME_COUNT}};
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        const std::string bytes = ReadFile(RESOURCE_DIR / picture.name);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes.substr(0, 2), "BM");
        EXPECT_EQ(LittleEndian(bytes, 2, 4), bytes.size());   // file size field
        EXPECT_EQ(LittleEndian(bytes, 28, 2), 24u);           // bits per pixel
        EXPECT_EQ(LittleEndian(bytes, 30, 4), 0u);            // BI_RGB: no compression
        const auto decoded = LoadResource(picture.name);
        EXPECT_EQ(decoded->Width(), picture.width);
        EXPECT_EQ(decoded->Height(), picture.height);
    }
}

// The screen keys the background with pure blue; neither it nor a saturated blue near it
// (which a palette reduction could move onto it) may appear. And it is a picture, not a
// flat fill: a palette reduction has gradients to keep.
TEST_F(ResourcePictures, BackgroundHasManyColoursButNoneNearTheScreenKeyBlue)
{
    const auto background = LoadResource("BACKGROUND1.bmp");
    std::vector<bool> seen(1u << 24, false);
    int32_t distinct = 0, nearKey = 0;
    for (int32_t y = 0; y < background->Height(); ++y)
        for (int32_t x = 0; x < background->Width(); ++x) {
            const Pixel24 pixel = PixelAt(*background, x, y);
            nearKey += pixel.blue > 192 && pixel.red + pixel.green < 64;
            const ColourRef colour = ColourOf(pixel);
            distinct += !seen[colour];
            seen[colour] = true;
        }
    EXPECT_EQ(nearKey, 0);
    EXPECT_GT(distinct, 5000);
}

// Every frame of a sprite strip: magenta top-left pixel and margin, a sprite in the
// middle, no magenta hole inside it (every key pixel is reachable from the margin through
// key pixels), and no pink fringe (no sprite pixel close to the key). And every frame
// differs from the one after it, the last from the first: the ball keeps turning and the
// paddle's light keeps moving, round the loop with no still step.
TEST_F(ResourcePictures, SpriteFramesAreKeyedWithMagentaAndMoveOnRoundTheLoop)
{
    for (const auto& [name, frameWidth, frameHeight] : {std::tuple{"BALL1.bmp", 40, 40}, {"PADDLE1.bmp", 160, 60}}) {
        const auto strip = LoadResource(name);
        ASSERT_EQ(strip->Height(), frameHeight * FRAME_COUNT);
        for (int32_t frame = 0; frame < FRAME_COUNT; ++frame) {
            SCOPED_TRACE(std::string(name) + " frame " + std::to_string(frame));
            EXPECT_TRUE(FramesDiffer(*strip, frameHeight, frame, (frame + 1) % FRAME_COUNT));
            const int32_t top = frame * frameHeight;
            const auto pixel = [&](int32_t x, int32_t y) { return PixelAt(*strip, x, top + y); };
            EXPECT_EQ(pixel(0, 0), MAGENTA);

            int32_t marginFaults = 0, spritePixels = 0, fringePixels = 0;
            for (int32_t y = 0; y < frameHeight; ++y)
                for (int32_t x = 0; x < frameWidth; ++x) {
                    const bool inMargin = x < MARGIN || y < MARGIN || x >= frameWidth - MARGIN || y >= frameHeight - MARGIN;
                    const Pixel24 p = pixel(x, y);
                    marginFaults += inMargin && p != MAGENTA;
                    if (p == MAGENTA)
                        continue;
                    ++spritePixels;
                    fringePixels += std::abs(255 - p.red) + p.green + std::abs(255 - p.blue) < 120;
                }
            EXPECT_EQ(marginFaults, 0);
            EXPECT_GT(spritePixels, frameWidth * frameHeight / 4);
            EXPECT_EQ(fringePixels, 0);

            // Flood the key from the frame's corner; any key pixel left over is a hole.
            std::vector<bool> reached(static_cast<size_t>(frameWidth) * frameHeight, false);
            std::vector<std::array<int32_t, 2>> pending = {{0, 0}};
            reached[0] = true;
            int32_t reachedCount = 0;
            while (!pending.empty()) {
                const auto [x, y] = pending.back();
                pending.pop_back();
                ++reachedCount;
                for (const auto& [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
                    const size_t index = static_cast<size_t>(ny) * frameWidth + nx;
                    if (nx >= 0 && ny >= 0 && nx < frameWidth && ny < frameHeight && !reached[index] &&
                        pixel(nx, ny) == MAGENTA) {
                        reached[index] = true;
                        pending.push_back({nx, ny});
                    }
                }
            }
            EXPECT_EQ(reachedCount, frameWidth * frameHeight - spritePixels) << "magenta inside the sprite";
        }
    }
}

// --- Generator ---------------------------------------------------------------------------

// The committed pictures are exactly the generator's output, so anyone can rebuild them.
TEST_F(ResourcePictures, TheGeneratorReproducesTheCommittedPicturesByteForByte)
{
    const ProgramResult made = RunProgram(TOLMIX_MAKE_PICTURES, {Path("res"), "--sheet", Path("sheet.png")}, m_folder);
    ASSERT_EQ(made.status, 0) << made.errors;
    for (const char* name : PICTURE_FILES) {
        SCOPED_TRACE(name);
        const std::string picture = ReadFile(Path("res") / name);
        ASSERT_FALSE(picture.empty());
        EXPECT_TRUE(picture == ReadFile(RESOURCE_DIR / name));
    }
    // The sheet holds the background and every frame with room around them.
    const auto contactSheet = ReadPicture(Path("sheet.png"));
    EXPECT_GT(contactSheet->Width(), 640 + 40);
    EXPECT_GT(contactSheet->Height(), 480 + 60);
}

TEST_F(ResourcePictures, TheGeneratorRefusesAMalformedCommandLineAndReportsAnUnwritableOutput)
{
    const auto status = [&](const std::vector<std::string>& arguments) {
        return RunProgram(TOLMIX_MAKE_PICTURES, arguments, m_folder).status;
    };
    const std::string out = Path("out");
    EXPECT_EQ(status({}), 2);                      // no directory
    EXPECT_EQ(status({out, "--sheet"}), 2);        // no sheet file
    EXPECT_EQ(status({out, "--colour"}), 2);       // unknown option
    EXPECT_EQ(status({out, "second"}), 2);         // two directories
    EXPECT_FALSE(std::filesystem::exists(out));

    // A plain file where the output directory should be: nothing can be written there.
    WriteFile("file", {'x'});
    EXPECT_EQ(status({Path("file")}), 1);
}

}  // namespace

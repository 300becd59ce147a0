// ResourcePicturesTest.cpp — checks the committed pictures in res/ and their generator.
//
// The pictures must be what the sprite code expects (sizes, 24-bit BMP, frame layout),
// must keep to the key colour rules (the background never shows the screen's transparent
// blue; every sprite frame has a magenta key in its top-left pixel and margin and none
// inside the sprite), must animate (every frame differs from the next, round the loop),
// and must be exactly what tolmix-make-pictures writes, so they can always be rebuilt.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------

const std::filesystem::path RESOURCE_DIR = std::filesystem::path(TOLMIX_SOURCE_DIR) / "res";
const std::array<const char*, 3> PICTURE_FILES = {"BACKGROUND1.bmp", "BALL1.bmp", "PADDLE1.bmp"};

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb MAGENTA = {255, 0, 255};
constexpr int32_t MARGIN = 2;
constexpr int32_t FRAME_COUNT = 30;

// A picture decoded to red, green, blue bytes, row 0 at the top.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    Rgb At(int32_t x, int32_t y) const
    {
        const size_t offset = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
        return Rgb{rgb[offset], rgb[offset + 1], rgb[offset + 2]};
    }
};

Picture LoadPicture(const std::filesystem::path& path)
{
    int width = 0;
    int height = 0;
    int channels = 0;
    uint8_t* data = stbi_load(path.string().c_str(), &width, &height, &channels, 3);
    if (data == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << stbi_failure_reason();
        return Picture{};
    }
    Picture picture{width, height,
                    std::vector<uint8_t>(data, data + static_cast<size_t>(width) * static_cast<size_t>(height) * 3)};
    stbi_image_free(data);
    return picture;
}

std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t LittleEndian(const std::vector<char>& bytes, size_t offset, size_t size)
{
    uint32_t value = 0;
    for (size_t i = size; i-- > 0;)
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

// Whether frame `a` and frame `b` of a strip differ in any pixel.
bool FramesDiffer(const Picture& strip, int32_t frameHeight, int32_t a, int32_t b)
{
    for (int32_t y = 0; y < frameHeight; ++y)
        for (int32_t x = 0; x < strip.width; ++x)
            if (!(strip.At(x, a * frameHeight + y) == strip.At(x, b * frameHeight + y)))
                return true;
    return false;
}

// Runs a shell command and gives its exit status (-1 if it did not exit normally).
int RunCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const std::filesystem::path& path)
{
    // Built by appending: GCC 12 misreports `"'" + std::string` under -Wrestrict.
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

// A fresh empty directory under the system's temporary directory, removed at the end.
class CTemporaryDirectory {
public:
    CTemporaryDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tolmix-pictures-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary directory");
        m_path = pattern;
    }
    ~CTemporaryDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTemporaryDirectory(const CTemporaryDirectory&) = delete;
    CTemporaryDirectory& operator=(const CTemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// ---------------------------------------------------------------------------------------
// File format and sizes
// ---------------------------------------------------------------------------------------

TEST(ResourcePictures, AreUncompressed24BitBmpFiles)
{
    for (const char* name : PICTURE_FILES) {
        SCOPED_TRACE(name);
        const std::vector<char> bytes = ReadBytes(RESOURCE_DIR / name);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(LittleEndian(bytes, 2, 4), bytes.size());   // file size field
        EXPECT_EQ(LittleEndian(bytes, 28, 2), 24u);           // bits per pixel
        EXPECT_EQ(LittleEndian(bytes, 30, 4), 0u);            // BI_RGB: no compression
    }
}

TEST(ResourcePictures, HaveTheSizesTheSpritesExpect)
{
    const Picture background = LoadPicture(RESOURCE_DIR / "BACKGROUND1.bmp");
    EXPECT_EQ(background.width, 640);
    EXPECT_EQ(background.height, 480);
    const Picture ball = LoadPicture(RESOURCE_DIR / "BALL1.bmp");
    EXPECT_EQ(ball.width, 40);
    EXPECT_EQ(ball.height, 40 * FRAME_COUNT);
    const Picture paddle = LoadPicture(RESOURCE_DIR / "PADDLE1.bmp");
    EXPECT_EQ(paddle.width, 160);
    EXPECT_EQ(paddle.height, 60 * FRAME_COUNT);
}

// ---------------------------------------------------------------------------------------
// Key colours
// ---------------------------------------------------------------------------------------

// The screen keys the background with pure blue; neither it nor a saturated blue near it
// (which a palette reduction could move onto it) may appear.
TEST(ResourcePictures, BackgroundStaysClearOfTheScreenKeyBlue)
{
    const Picture background = LoadPicture(RESOURCE_DIR / "BACKGROUND1.bmp");
    ASSERT_EQ(background.rgb.size(), 640u * 480u * 3u);
    int32_t nearKey = 0;
    for (int32_t y = 0; y < background.height; ++y) {
        for (int32_t x = 0; x < background.width; ++x) {
            const Rgb pixel = background.At(x, y);
            if (pixel.blue > 192 && pixel.red + pixel.green < 64)
                ++nearKey;
        }
    }
    EXPECT_EQ(nearKey, 0);
}

// The background is a picture, not a flat fill: a palette reduction has gradients to keep.
TEST(ResourcePictures, BackgroundHasManyColours)
{
    const Picture background = LoadPicture(RESOURCE_DIR / "BACKGROUND1.bmp");
    std::vector<bool> seen(1u << 24, false);
    int32_t distinct = 0;
    for (size_t i = 0; i + 2 < background.rgb.size(); i += 3) {
        const uint32_t colour = (uint32_t{background.rgb[i]} << 16) | (uint32_t{background.rgb[i + 1]} << 8) |
                                background.rgb[i + 2];
        if (!seen[colour]) {
            seen[colour] = true;
            ++distinct;
        }
    }
    EXPECT_GT(distinct, 5000);
}

// Checks every frame of a sprite strip: magenta top-left pixel and margin, a sprite in
// the middle, no magenta hole inside it (every key pixel is reachable from the margin
// through key pixels), and no pink fringe (no sprite pixel close to the key).
void ExpectKeyedFrames(const Picture& strip, int32_t frameWidth, int32_t frameHeight)
{
    ASSERT_EQ(strip.width, frameWidth);
    ASSERT_EQ(strip.height, frameHeight * FRAME_COUNT);
    for (int32_t frame = 0; frame < FRAME_COUNT; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        const int32_t top = frame * frameHeight;
        auto pixel = [&](int32_t x, int32_t y) { return strip.At(x, top + y); };
        EXPECT_EQ(pixel(0, 0), MAGENTA);

        int32_t marginFaults = 0;
        int32_t spritePixels = 0;
        int32_t fringePixels = 0;
        for (int32_t y = 0; y < frameHeight; ++y) {
            for (int32_t x = 0; x < frameWidth; ++x) {
                const bool inMargin = x < MARGIN || y < MARGIN || x >= frameWidth - MARGIN || y >= frameHeight - MARGIN;
                const Rgb p = pixel(x, y);
                if (inMargin && !(p == MAGENTA))
                    ++marginFaults;
                if (p == MAGENTA)
                    continue;
                ++spritePixels;
                if (std::abs(255 - p.red) + p.green + std::abs(255 - p.blue) < 120)
                    ++fringePixels;
            }
        }
        EXPECT_EQ(marginFaults, 0);
        EXPECT_GT(spritePixels, frameWidth * frameHeight / 4);
        EXPECT_EQ(fringePixels, 0);

        // Flood the key from the frame's edge; any key pixel left over is a hole.
        std::vector<bool> reached(static_cast<size_t>(frameWidth) * frameHeight, false);
        std::vector<std::array<int32_t, 2>> pending = {{0, 0}};
        reached[0] = true;
        int32_t reachedCount = 0;
        while (!pending.empty()) {
            const auto [x, y] = pending.back();
            pending.pop_back();
            ++reachedCount;
            for (const auto& [dx, dy] : std::array<std::array<int32_t, 2>, 4>{{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}}) {
                const int32_t nx = x + dx;
                const int32_t ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= frameWidth || ny >= frameHeight)
                    continue;
                const size_t index = static_cast<size_t>(ny) * frameWidth + nx;
                if (!reached[index] && pixel(nx, ny) == MAGENTA) {
                    reached[index] = true;
                    pending.push_back({nx, ny});
                }
            }
        }
        EXPECT_EQ(reachedCount, frameWidth * frameHeight - spritePixels) << "magenta inside the sprite";
    }
}

TEST(ResourcePictures, BallFramesAreKeyedWithMagenta)
{
    ExpectKeyedFrames(LoadPicture(RESOURCE_DIR / "BALL1.bmp"), 40, 40);
}

TEST(ResourcePictures, PaddleFramesAreKeyedWithMagenta)
{
    ExpectKeyedFrames(LoadPicture(RESOURCE_DIR / "PADDLE1.bmp"), 160, 60);
}

// ---------------------------------------------------------------------------------------
// Animation
// ---------------------------------------------------------------------------------------

// Every frame differs from the one after it, including the last from the first: the ball
// keeps turning and the paddle's light keeps moving, round the loop with no still step.
TEST(ResourcePictures, EveryFrameMovesOnRoundTheLoop)
{
    const Picture ball = LoadPicture(RESOURCE_DIR / "BALL1.bmp");
    const Picture paddle = LoadPicture(RESOURCE_DIR / "PADDLE1.bmp");
    ASSERT_EQ(ball.height, 40 * FRAME_COUNT);
    ASSERT_EQ(paddle.height, 60 * FRAME_COUNT);
    for (int32_t frame = 0; frame < FRAME_COUNT; ++frame) {
        const int32_t next = (frame + 1) % FRAME_COUNT;
        EXPECT_TRUE(FramesDiffer(ball, 40, frame, next)) << "ball frame " << frame << " to " << next;
        EXPECT_TRUE(FramesDiffer(paddle, 60, frame, next)) << "paddle frame " << frame << " to " << next;
    }
}

// ---------------------------------------------------------------------------------------
// Generator
// ---------------------------------------------------------------------------------------

// The committed pictures are exactly the generator's output, so anyone can rebuild them.
TEST(PictureGenerator, ReproducesTheCommittedPicturesByteForByte)
{
    const CTemporaryDirectory output;
    const std::filesystem::path sheet = output.Path() / "sheet.png";
    ASSERT_EQ(RunCommand(Quoted(TOLMIX_MAKE_PICTURES) + " " + Quoted(output.Path() / "res") + " --sheet " +
                         Quoted(sheet)),
              0);
    for (const char* name : PICTURE_FILES) {
        SCOPED_TRACE(name);
        const std::vector<char> made = ReadBytes(output.Path() / "res" / name);
        ASSERT_FALSE(made.empty());
        EXPECT_TRUE(made == ReadBytes(RESOURCE_DIR / name));
    }
    // The sheet holds the background and every frame with room around them.
    const Picture contactSheet = LoadPicture(sheet);
    EXPECT_GT(contactSheet.width, 640 + 40);
    EXPECT_GT(contactSheet.height, 480 + 60);
}

TEST(PictureGenerator, RefusesAMalformedCommandLine)
{
    const CTemporaryDirectory output;
    const std::string tool = Quoted(TOLMIX_MAKE_PICTURES) + " ";
    const std::string quiet = " 2>/dev/null";
    EXPECT_EQ(RunCommand(tool + quiet), 2);                                          // no directory
    EXPECT_EQ(RunCommand(tool + Quoted(output.Path()) + " --sheet" + quiet), 2);     // no sheet file
    EXPECT_EQ(RunCommand(tool + Quoted(output.Path()) + " --colour" + quiet), 2);    // unknown option
    EXPECT_EQ(RunCommand(tool + Quoted(output.Path()) + " second" + quiet), 2);      // two directories
    EXPECT_TRUE(std::filesystem::is_empty(output.Path()));
}

TEST(PictureGenerator, ReportsAnOutputItCannotWrite)
{
    const CTemporaryDirectory output;
    // A plain file where the output directory should be: nothing can be written there.
    const std::filesystem::path blocked = output.Path() / "file";
    std::ofstream(blocked) << "x";
    EXPECT_EQ(RunCommand(Quoted(TOLMIX_MAKE_PICTURES) + " " + Quoted(blocked) + " 2>/dev/null"), 1);
}

}  // namespace

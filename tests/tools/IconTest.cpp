// IconTest.cpp — tolmix-make-icon from the outside: the sizes it takes and refuses, and the
// icon it draws: the ball, opaque in its middle, transparent in the corners, its edge
// anti-aliased into transparency, the same bytes on every run.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <stb_image.h>

#include "tests/support/ProgramRun.h"

namespace {

struct RgbaPicture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> pixels{nullptr, stbi_image_free};

    unsigned char Alpha(int x, int y) const { return pixels.get()[(y * width + x) * 4 + 3]; }
};

class IconTest : public CScratchFolderTest {
protected:
    ProgramResult Run(const std::vector<std::string>& arguments) const
    {
        return RunProgram(TOLMIX_MAKE_ICON, arguments, m_folder);
    }

    RgbaPicture Load(const std::string& name) const
    {
        RgbaPicture picture;
        picture.pixels.reset(stbi_load(Path(name).c_str(), &picture.width, &picture.height, &picture.channels, 4));
        return picture;
    }
};

TEST_F(IconTest, TakesSizesFrom16To512AndRefusesOthers)
{
    for (const char* size : {"16", "512"}) {
        const ProgramResult made = Run({size, Path("icon.png").string()});
        EXPECT_EQ(made.status, 0) << size << ": " << made.errors;
        const RgbaPicture icon = Load("icon.png");
        ASSERT_NE(icon.pixels, nullptr) << size;
        EXPECT_EQ(icon.width, std::stoi(size));
        EXPECT_EQ(icon.height, std::stoi(size));
    }
    for (const char* size : {"15", "513", "0", "-48", "48px", ""}) {
        const ProgramResult refused = Run({size, Path("refused.png").string()});
        EXPECT_EQ(refused.status, 2) << "'" << size << "'";
        EXPECT_NE(refused.errors.find("usage: tolmix-make-icon SIZE FILE.png"), std::string::npos) << refused.errors;
        EXPECT_FALSE(std::filesystem::exists(Path("refused.png"))) << size;
    }
    EXPECT_EQ(Run({"48"}).status, 2) << "the file is needed";
    EXPECT_EQ(Run({Path("missing/icon.png").string(), "48"}).status, 2) << "size first";
}

TEST_F(IconTest, DrawsTheBallOpaqueInsideAndTransparentOutsideWithASoftEdge)
{
    ASSERT_EQ(Run({"128", Path("icon.png").string()}).status, 0);
    const RgbaPicture icon = Load("icon.png");
    ASSERT_NE(icon.pixels, nullptr);
    EXPECT_EQ(icon.channels, 4) << "the PNG has an alpha channel";
    EXPECT_EQ(icon.Alpha(64, 64), 255) << "the middle of the ball";
    for (const auto& [x, y] : {std::pair{0, 0}, {127, 0}, {0, 127}, {127, 127}, {64, 1}, {1, 64}})
        EXPECT_EQ(icon.Alpha(x, y), 0) << x << "," << y << " is off the ball";
    int partial = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            partial += icon.Alpha(x, y) > 0 && icon.Alpha(x, y) < 255;
    EXPECT_GT(partial, 100) << "the rim is anti-aliased into transparency, all round";

    ASSERT_EQ(Run({"128", Path("again.png").string()}).status, 0);
    EXPECT_EQ(ReadFile(Path("icon.png")), ReadFile(Path("again.png"))) << "every run writes the same bytes";
}

TEST_F(IconTest, AFileThatCannotBeWrittenIsAFailureOfOneLine)
{
    const ProgramResult failed = Run({"48", Path("missing/icon.png").string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.errors.rfind("tolmix-make-icon: cannot write", 0), 0u) << failed.errors;
}

} // namespace

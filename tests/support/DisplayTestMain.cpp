// DisplayTestMain.cpp — the display tests' main: SDL is started once, headless, before any
// test runs (listing the tests starts nothing).
#include <gtest/gtest.h>

#include <memory>

#include "platform/video/SdlSession.h"

namespace {

// SDL video and SDL_ttf on the offscreen driver for the whole run. An SDL_VIDEODRIVER in
// the environment still wins (SDL_VIDEODRIVER=x11 under Xvfb tests a real X server).
class CHeadlessSdl : public ::testing::Environment {
public:
    void SetUp() override { m_session = std::make_unique<CSdlSession>(true); }
    void TearDown() override { m_session.reset(); }

private:
    std::unique_ptr<CSdlSession> m_session;
};

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new CHeadlessSdl);   // gtest owns and deletes it
    return RUN_ALL_TESTS();
}

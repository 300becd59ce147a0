// BallsTest.cpp — many balls (--balls): their seeded starts, and a world of them that stays
// inside its edges, draws in depth order and survives surface losses unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "game/Background.h"
#include "game/Ball.h"
#include "game/BallSpread.h"
#include "game/Game.h"
#include "game/Paddle.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Surface.h"
#include "sprites/SpriteStore.h"
#include "tests/support/DisplayFixture.h"
#include "tests/support/GameObjectInside.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ScreenInside.h"

namespace {

// The starts a spread of that seed gives first.
std::vector<BallStart> Starts(uint32_t seed, int32_t count)
{
    CBallSpread spread(seed);
    std::vector<BallStart> starts;
    for (int32_t i = 0; i < count; ++i)
        starts.push_back(spread.Next());
    return starts;
}

class BallsTest : public CDisplayFixture {
protected:
    // The world of a --balls run at 640 × 480 × 32: background, paddle, the first ball where
    // the one ball starts, the others from the seed, in a table of exactly that size.
    void MakeBallWorld(int32_t balls, uint32_t seed)
    {
        MakeWorld(640, 480, balls + 2);
        Screen().RepairByTiles();
        Screen().ApplyVideoMode({640, 480, 32, 0});
        std::unique_ptr<CGameObject> objects[] = {std::make_unique<CBackground>(m_game.get(), "Background"),
                                                  std::make_unique<CPaddle>(m_game.get(), "Paddle"),
                                                  std::make_unique<CBall>(300, 300, m_game.get(), "Slowball")};
        for (std::unique_ptr<CGameObject>& object : objects)
            ASSERT_TRUE(m_game->AddObject(object));
        CBallSpread(seed).AddBalls(*m_game, balls - 1);
        m_game->SortObjects();
        m_game->Screen().Initialise(*m_window);
    }

    // The balls in table order.
    std::vector<CGameObject*> Balls() const
    {
        const CSprite* ball = m_game->Sprites().Find("Ball1");
        std::vector<CGameObject*> balls;
        for (int32_t i = 0; i < m_game->ObjectCount(); ++i)
            if (m_game->ObjectAt(i)->Sprite() == ball)
                balls.push_back(m_game->ObjectAt(i));
        return balls;
    }

    // `ticks` ticks of `stepMs`, losing every surface before every `loseEvery`-th (0: never).
    void Run(int32_t ticks, uint64_t stepMs, int32_t loseEvery = 0)
    {
        for (int32_t tick = 1; tick <= ticks; ++tick) {
            if (loseEvery > 0 && tick % loseEvery == 0)
                Screen().LoseAllSurfaces();
            m_clock->AdvanceMs(stepMs);
            m_game->Tick();
        }
    }
};

} // namespace

// The same seed, the same starts; another seed, others.
TEST(BallSpread, TheSameSeedGivesTheSameStartsAndAnotherSeedOthers)
{
    EXPECT_EQ(Starts(5, 1000), Starts(5, 1000));
    EXPECT_NE(Starts(5, 1000), Starts(6, 1000));
    EXPECT_NE(Starts(0, 10), Starts(CBallSpread::DEFAULT_SEED, 10));
}

// Every start keeps the ball's rectangle inside the world, clear of its edges, and reaches both ends of each
// range; the speeds have the first ball's magnitudes with both signs on both axes; the
// starting frames cover the whole strip.
TEST(BallSpread, StartsLieInsideTheWorldWithTheBallsSpeedMagnitudesAndEveryFrame)
{
    const std::vector<BallStart> starts = Starts(CBallSpread::DEFAULT_SEED, 10000);
    const int32_t lowestLeft = std::ranges::min(starts, {}, &BallStart::left).left;
    const int32_t highestLeft = std::ranges::max(starts, {}, &BallStart::left).left;
    const int32_t lowestTop = std::ranges::min(starts, {}, &BallStart::top).top;
    const int32_t highestTop = std::ranges::max(starts, {}, &BallStart::top).top;
    std::set<int32_t> speedsX, speedsY;
    std::set<uint32_t> frames;
    for (const BallStart& start : starts) {
        speedsX.insert(start.speedX);
        speedsY.insert(start.speedY);
        frames.insert(start.phase % 30);
    }
    // A unit clear of every edge (a start on one, heading out, would step out).
    EXPECT_GE(lowestLeft, 1);
    EXPECT_LE(highestLeft, WORLD_WIDTH - CBall::SIZE - 1);
    EXPECT_GE(lowestTop, 1);
    EXPECT_LE(highestTop, WORLD_HEIGHT - CBall::SIZE - 1);
    // Spread across: 10,000 draws come within 5 units of each end.
    EXPECT_LT(lowestLeft, 5);
    EXPECT_GT(highestLeft, WORLD_WIDTH - CBall::SIZE - 5);
    EXPECT_LT(lowestTop, 5);
    EXPECT_GT(highestTop, WORLD_HEIGHT - CBall::SIZE - 5);
    EXPECT_EQ(speedsX, (std::set<int32_t>{-CBall::START_SPEED_X, CBall::START_SPEED_X}));
    EXPECT_EQ(speedsY, (std::set<int32_t>{-CBall::START_SPEED_Y, CBall::START_SPEED_Y}));
    EXPECT_EQ(frames.size(), 30u);
}

// A table one ball short of what AddBalls needs refuses it, and says so.
TEST_F(BallsTest, BallsBeyondTheTableAreRefusedWithAFatalError)
{
    MakeWorld(640, 480, 4);
    EXPECT_NO_THROW(CBallSpread(1).AddBalls(*m_game, 4));
    EXPECT_THROW(CBallSpread(1).AddBalls(*m_game, 1), CFatalError);
    EXPECT_EQ(m_game->ObjectCount(), 4);
}

// N balls, the first where the one ball starts, all sharing one picture; the table stays in
// depth order (the background first); over 25 s of 125-ms ticks every ball stays inside the
// world, and with many balls some have turned at an edge on the way.
TEST_F(BallsTest, BallsStayInsideTheWorldAndTheTableInDepthOrder)
{
    for (const int32_t count : {1, 2, 100, 101, 10000}) {
        MakeBallWorld(count, CBallSpread::DEFAULT_SEED);
        ASSERT_EQ(m_game->ObjectCount(), count + 2);
        const std::vector<CGameObject*> balls = Balls();
        ASSERT_EQ(balls.size(), static_cast<size_t>(count));
        EXPECT_EQ(m_game->Sprites().GetCount(), 3);   // background, paddle, one ball for all
        const auto first = std::ranges::find_if(
            balls, [](const CGameObject* ball) { return std::string_view(ball->Name()) == "Slowball"; });
        ASSERT_NE(first, balls.end());
        EXPECT_EQ(CGameObjectInside::Rectangle(**first), (Rect{250, 250, 350, 350}));

        std::vector<int32_t> startSpeedsY;
        std::set<int32_t> startFrames;
        for (CGameObject* ball : balls) {
            startSpeedsY.push_back(CGameObjectInside::SpeedY(*ball));
            startFrames.insert(CGameObjectInside::Frame(*ball));
        }
        if (count == 10000) {
            EXPECT_EQ(startFrames.size(), 30u);   // they do not all spin in step
        }
        const int32_t ticks = count > 1000 ? 60 : 200;
        for (int32_t tick = 0; tick < ticks; ++tick) {
            Run(1, 125);
            for (CGameObject* ball : balls) {
                const Rect& rect = CGameObjectInside::Rectangle(*ball);
                ASSERT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= WORLD_WIDTH && rect.bottom <= WORLD_HEIGHT)
                    << count << " balls, tick " << tick << ": " << ball->Name() << " at " << rect.left << ", "
                    << rect.top;
            }
        }
        int32_t turned = 0;
        for (size_t i = 0; i < balls.size(); ++i)
            turned += CGameObjectInside::SpeedY(*balls[i]) != startSpeedsY[i];
        if (count >= 100) {
            EXPECT_GT(turned, 0) << count;
        }
        EXPECT_EQ(m_game->ObjectAt(0)->Name(), std::string_view("Background"));
        for (int32_t i = 1; i < m_game->ObjectCount(); ++i)
            ASSERT_GE(m_game->ObjectAt(i - 1)->Depth(), m_game->ObjectAt(i)->Depth()) << i;
        TearDown();
    }
}

// Losing every surface every 7th tick ends on the same frame as a run without losses;
// another seed ends on another frame.
TEST_F(BallsTest, SurfaceLossesLeaveTheFrameOfARunWithoutThem)
{
    for (const int32_t count : {1, 2, 100, 101, 10000}) {
        std::unique_ptr<CBitmap24> frames[3];
        const std::pair<int32_t, uint32_t> runs[] = {{7, 1}, {0, 1}, {0, 2}};   // loss every, seed
        for (size_t run = 0; run < 3; ++run) {
            MakeBallWorld(count, runs[run].second);
            Run(40, 16, runs[run].first);
            frames[run] = Screen().BackBuffer()->ToBitmap();
            TearDown();
        }
        const PictureDifference same = ComparePictures(*frames[0], *frames[1]);
        EXPECT_EQ(same.pixels, 0) << count << " balls: first at " << same.firstX << ", " << same.firstY;
        if (count > 1) {
            EXPECT_GT(ComparePictures(*frames[1], *frames[2]).pixels, 0) << count << " balls";
        }
    }
}

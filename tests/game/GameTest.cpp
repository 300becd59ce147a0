// GameTest.cpp — the world's clock and table, objects' timing, motion and bounce, the ball,
// the paddle and the background's readout and repair.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/Background.h"
#include "game/Ball.h"
#include "game/Game.h"
#include "game/GameObject.h"
#include "game/Paddle.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Surface.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteStore.h"
#include "tests/support/DisplayFixture.h"
#include "tests/support/GameInside.h"
#include "tests/support/GameObjectInside.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ScreenInside.h"

namespace {

// An object with a plain one- or many-frame sprite of its own, for timing and motion tests.
class CTestObject : public CGameObject {
public:
    CTestObject(CGame* game, int32_t frames, std::vector<std::string>* log = nullptr, std::string_view name = "Test")
        : CGameObject(game, name), m_sprite(game, "none"), m_log(log)
    {
        m_sprite.SetFrameCount(frames);
        m_pSprite = &m_sprite;
        m_frameCount = frames;
    }
    ~CTestObject() override
    {
        if (m_log)
            m_log->push_back(std::string("delete ") + Name());
    }
    void Draw() override
    {
        if (m_log)
            m_log->push_back(std::string("draw ") + Name());
    }

private:
    CSprite m_sprite;
    std::vector<std::string>* m_log;
};

class GameTest : public CDisplayFixture {
protected:
    // Runs Update as a tick of `elapsed` milliseconds would.
    void UpdateAfter(CGameObject& object, uint64_t elapsed)
    {
        CGameInside::SetElapsedMs(*m_game, elapsed);
        object.Update();
    }

    // `ticks` ticks of `stepMs` milliseconds each.
    void Tick(int32_t ticks, uint64_t stepMs)
    {
        for (int32_t tick = 0; tick < ticks; ++tick) {
            m_clock->AdvanceMs(stepMs);
            m_game->Tick();
        }
    }

    // A background in the world's table, the world shown at 640 × 480 × 32.
    CBackground& ShowBackground()
    {
        std::unique_ptr<CGameObject> owned = std::make_unique<CBackground>(m_game.get(), "Background");
        auto& background = static_cast<CBackground&>(*owned);
        m_game->AddObject(owned);
        Initialise(640, 480, 32);
        return background;
    }

    // A one-frame object at `rect` moving at the speeds, with the flags.
    std::unique_ptr<CTestObject> Mover(const Rect& rect, int32_t speedX, int32_t speedY, uint32_t flags)
    {
        auto object = std::make_unique<CTestObject>(m_game.get(), 1);
        CGameObjectInside::Rectangle(*object) = rect;
        CGameObjectInside::SpeedX(*object) = speedX;
        CGameObjectInside::SpeedY(*object) = speedY;
        CGameObjectInside::Flags(*object) = flags;
        return object;
    }
};

// --- the clock ---------------------------------------------------------------------------

// The first tick carries everything since construction; a counter slower than a
// millisecond is refused.
TEST_F(GameTest, TheClockCountsMillisecondsFromConstruction)
{
    MakeWorld();
    Initialise(640, 480, 32);
    Tick(1, 2500);   // the dialog, the pictures, the display
    EXPECT_EQ(m_game->ElapsedMs(), 2500u);
    Tick(1, 0);      // within the same millisecond
    EXPECT_EQ(m_game->ElapsedMs(), 0u);
    Tick(1, 16);
    EXPECT_EQ(m_game->ElapsedMs(), 16u);
    EXPECT_EQ(m_game->TotalMs(), 2516u);

    EXPECT_THROW(CGame(std::make_unique<CManualCounter>(0)), CFatalError);
    EXPECT_THROW(CGame(std::make_unique<CManualCounter>(999)), CFatalError);
    EXPECT_NO_THROW(CGame(std::make_unique<CManualCounter>(1000)));
}

// A dialog held open for 5 s, or a pause, stops the clock: the next tick and the readout's
// sample see only the frames' own times. Stops nest; a start without a stop is a fault.
TEST_F(GameTest, AStoppedClockLeavesItsTimeOutOfTheNextTickAndTheReadout)
{
    MakeWorld();
    CBackground& background = ShowBackground();
    for (int32_t frame = 1; frame <= 100; ++frame) {
        if (frame == 40) {   // the About box, open for 5 s
            m_game->StopClock();
            m_clock->AdvanceMs(5000);
            m_game->StartClock();
        }
        if (frame == 70) {   // paused, and a dialog opened and closed while paused
            m_game->StopClock();
            m_clock->AdvanceMs(1000);
            m_game->StopClock();
            m_clock->AdvanceMs(3000);
            m_game->StartClock();
            EXPECT_TRUE(m_game->IsClockStopped());
            m_clock->AdvanceMs(1000);
            m_game->StartClock();
        }
        Tick(1, 16);
        EXPECT_EQ(m_game->ElapsedMs(), 16u) << frame;
    }
    EXPECT_EQ(m_game->TotalMs(), 1600u);
    EXPECT_EQ(background.RateText(), "62");
    EXPECT_THROW(m_game->StartClock(), CFatalError);
}

// A tick while the clock is stopped (paused) moves nothing, shows "Paused" and counts for
// nothing; once the window was hidden, everything is drawn whole again and a new sample
// begins.
TEST_F(GameTest, AStillFrameSaysPausedAndAHiddenWindowStartsANewSample)
{
    MakeWorld();
    CBackground& background = ShowBackground();
    Tick(10, 16);
    m_game->StopClock();
    Tick(1, 500);
    EXPECT_EQ(m_game->ElapsedMs(), 0u);
    EXPECT_EQ(m_game->TotalMs(), 160u);
    EXPECT_EQ(CGameObjectInside::ShownText(background), CBackground::PAUSED_TEXT);
    EXPECT_EQ(CGameObjectInside::FramesCounted(background), 10);
    EXPECT_EQ(CGameObjectInside::SumMs(background), 160);
    m_game->StartClock();
    Tick(1, 16);
    EXPECT_EQ(m_game->ElapsedMs(), 16u);
    EXPECT_EQ(CGameObjectInside::ShownText(background), "Wait...");   // the readout shows its own text again

    m_game->Invalidate();
    EXPECT_EQ(CGameObjectInside::FramesCounted(background), 0);
    EXPECT_EQ(CGameObjectInside::SumMs(background), 0);
    EXPECT_EQ(CGameObjectInside::RestoreDraws(background), CBackground::FULL_DRAWS);
}

// --- the table ---------------------------------------------------------------------------

// A hundred objects and no more; a tick draws them deepest first; the world deletes each
// once.
TEST_F(GameTest, TheTableHoldsAHundredObjectsDrawnDeepestFirstAndDeletedWithTheWorld)
{
    std::vector<std::string> log;
    MakeWorld();
    Initialise(640, 480, 32);
    const std::pair<const char*, int32_t> logged[] = {{"near", 50}, {"far", 1000}, {"nearest", 7}, {"near2", 50}};
    for (int32_t i = 0; i < CGame::MAX_OBJECTS; ++i) {
        std::unique_ptr<CGameObject> object =
            i < 4 ? std::make_unique<CTestObject>(m_game.get(), 1, &log, logged[i].first)
                  : std::make_unique<CTestObject>(m_game.get(), 1);
        if (i < 4)
            CGameObjectInside::Depth(*object) = logged[i].second;
        ASSERT_TRUE(m_game->AddObject(object));
        EXPECT_EQ(object, nullptr);
    }
    std::unique_ptr<CGameObject> extra = std::make_unique<CTestObject>(m_game.get(), 1);
    EXPECT_FALSE(m_game->AddObject(extra));
    EXPECT_NE(extra, nullptr);   // still the caller's
    EXPECT_EQ(m_game->ObjectCount(), CGame::MAX_OBJECTS);

    m_game->SortObjects();
    const std::vector<CSprite*> sprites = m_game->SpritesInDrawOrder();   // a sprite each, in table order
    ASSERT_EQ(sprites.size(), static_cast<size_t>(CGame::MAX_OBJECTS));
    for (int32_t i = 0; i < CGame::MAX_OBJECTS; ++i)
        ASSERT_EQ(sprites[i], m_game->ObjectAt(i)->Sprite()) << i;
    m_game->Tick();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "draw far");
    EXPECT_EQ(log[3], "draw nearest");
    log.clear();
    m_game.reset();
    EXPECT_EQ(log.size(), 4u);   // each object deleted once
}

// A table lifted for a run (--balls) holds exactly its capacity and refuses one more; the
// default stays the hundred above; a capacity outside 1 to MAX_LIFTED_OBJECTS is refused.
TEST_F(GameTest, ALiftedTableHoldsItsCapacityAndNoMore)
{
    EXPECT_EQ(CGame(std::make_unique<CManualCounter>()).Capacity(), CGame::MAX_OBJECTS);
    for (const int32_t capacity : {1, CGame::MAX_OBJECTS + 2}) {
        MakeWorld(640, 480, capacity);
        EXPECT_EQ(m_game->Capacity(), capacity);
        for (int32_t i = 0; i < capacity; ++i) {
            std::unique_ptr<CGameObject> object = std::make_unique<CTestObject>(m_game.get(), 1);
            ASSERT_TRUE(m_game->AddObject(object)) << i;
        }
        std::unique_ptr<CGameObject> extra = std::make_unique<CTestObject>(m_game.get(), 1);
        EXPECT_FALSE(m_game->AddObject(extra));
        EXPECT_NE(extra, nullptr);
        EXPECT_EQ(m_game->ObjectCount(), capacity);
    }
    EXPECT_EQ(CGame(std::make_unique<CManualCounter>(), CGame::MAX_LIFTED_OBJECTS).Capacity(),
              CGame::MAX_LIFTED_OBJECTS);
    EXPECT_THROW(CGame(std::make_unique<CManualCounter>(), 0), CFatalError);
    EXPECT_THROW(CGame(std::make_unique<CManualCounter>(), CGame::MAX_LIFTED_OBJECTS + 1), CFatalError);
}

// --- animation and motion ----------------------------------------------------------------

TEST_F(GameTest, AFrameStepsOnceTheAccumulatedTimeExceedsThePeriodButNeverWithOneFrame)
{
    MakeWorld();
    CTestObject fast(m_game.get(), 3);
    CGameObjectInside::FramePeriod(fast) = 1;
    UpdateAfter(fast, 1);
    EXPECT_EQ(CGameObjectInside::Frame(fast), 0);   // 1 ms is not more than 1
    UpdateAfter(fast, 1);
    EXPECT_EQ(CGameObjectInside::Frame(fast), 1);   // 2 ms is
    UpdateAfter(fast, 1);
    UpdateAfter(fast, 1);
    EXPECT_EQ(CGameObjectInside::Frame(fast), 2);
    UpdateAfter(fast, 5000);      // one step however long the tick
    EXPECT_EQ(CGameObjectInside::Frame(fast), 0);   // and round again

    CTestObject slow(m_game.get(), 3);   // the default period, 30 ms
    UpdateAfter(slow, 30);
    EXPECT_EQ(CGameObjectInside::Frame(slow), 0);
    UpdateAfter(slow, 1);
    EXPECT_EQ(CGameObjectInside::Frame(slow), 1);
    EXPECT_EQ(CGameObjectInside::AnimAcc(slow), 0u);   // the excess is dropped

    CTestObject still(m_game.get(), 1);
    for (int32_t i = 0; i < 5; ++i)
        UpdateAfter(still, 100);
    EXPECT_EQ(CGameObjectInside::AnimAcc(still), 0u);
    EXPECT_EQ(CGameObjectInside::Frame(still), 0);
}

// The step is speed³ × time / 1,000,000 units once it reaches a whole unit.
TEST_F(GameTest, SpeedTenMovesOneUnitASecondAndALongPauseOneLargeStepWithoutOverflow)
{
    MakeWorld();
    const std::unique_ptr<CTestObject> mover = Mover(Rect{500, 500, 600, 600}, 10, -10, 0);
    CTestObject& object = *mover;
    for (int32_t tick = 1; tick <= 62; ++tick)
        UpdateAfter(object, 16);
    EXPECT_EQ(CGameObjectInside::Rectangle(object).left, 500);   // 992 ms: not yet a whole unit
    UpdateAfter(object, 16);              // 1008 ms
    EXPECT_EQ(CGameObjectInside::Rectangle(object), (Rect{501, 499, 601, 599}));
    EXPECT_EQ(CGameObjectInside::MoveAccX(object), 0u);
    EXPECT_EQ(CGameObjectInside::MoveAccY(object), 0u);

    CGameObjectInside::SpeedY(object) = 20;   // 8 units a second
    UpdateAfter(object, 300000);   // 300 s: 20³ × 300000 leaves 32 bits
    EXPECT_EQ(CGameObjectInside::Rectangle(object).top, 499 + 2400);
}

TEST_F(GameTest, BounceSetsDirectionsInItsOrder)
{
    MakeWorld();
    // Beyond the right and bottom edges.
    const std::unique_ptr<CTestObject> mover = Mover(Rect{1550, 1150, 1650, 1250}, 10, 20, OBJ_BOUNCE);
    CTestObject& object = *mover;
    UpdateAfter(object, 0);                        // no time passes, the edges are still tested
    EXPECT_EQ(CGameObjectInside::SpeedX(object), -10);
    EXPECT_EQ(CGameObjectInside::SpeedY(object), -20);
    UpdateAfter(object, 0);
    EXPECT_EQ(CGameObjectInside::SpeedX(object), -10);   // set, not toggled

    CGameObjectInside::Rectangle(object) = Rect{-10, -10, 1700, 1300};   // beyond both sides: left and top win
    UpdateAfter(object, 0);
    EXPECT_EQ(CGameObjectInside::SpeedX(object), 10);
    EXPECT_EQ(CGameObjectInside::SpeedY(object), 20);
}

// Each edge turns the object when the rectangle reaches it exactly, and not one unit
// inside it; a speed already pointing back in stays as it is.
TEST_F(GameTest, BounceTurnsAtEachEdgeExactlyAndNotOneUnitInside)
{
    MakeWorld();
    struct Case {
        const char* edge;
        Rect rect;
        int32_t speedX, speedY;   // before
        int32_t turnedX, turnedY; // after
    };
    const Case cases[] = {
        {"right at", {1500, 500, 1600, 600}, 10, 20, -10, 20}, {"right inside", {1499, 500, 1599, 600}, 10, 20, 10, 20},
        {"bottom at", {500, 1100, 600, 1200}, 10, 20, 10, -20}, {"bottom inside", {500, 1099, 600, 1199}, 10, 20, 10, 20},
        {"left at", {0, 500, 100, 600}, -10, -20, 10, -20}, {"left inside", {1, 500, 101, 600}, -10, -20, -10, -20},
        {"top at", {500, 0, 600, 100}, -10, -20, -10, 20}, {"top inside", {500, 1, 600, 101}, -10, -20, -10, -20},
        {"right past", {1501, 500, 1601, 600}, 10, 20, -10, 20}, {"top past", {500, -1, 600, 99}, -10, -20, -10, 20}};
    for (const Case& c : cases) {
        const std::unique_ptr<CTestObject> object = Mover(c.rect, c.speedX, c.speedY, OBJ_BOUNCE);
        object->Bounce();
        EXPECT_EQ(CGameObjectInside::SpeedX(*object), c.turnedX) << c.edge;
        EXPECT_EQ(CGameObjectInside::SpeedY(*object), c.turnedY) << c.edge;
    }
}

// Update bounces in the tick whose step brings the rectangle to the edge, not one tick
// later; a step that stops one unit short leaves the speed alone. Speed 10 moves one unit
// in exactly 1000 ms, and not in 999.
TEST_F(GameTest, AStepOfOneUnitTakesExactlyASecondAtSpeedTenAndBouncesOnReachingTheEdge)
{
    MakeWorld();
    const std::unique_ptr<CTestObject> mover = Mover(Rect{1498, 2, 1598, 102}, 10, -10, OBJ_BOUNCE);
    CTestObject& object = *mover;
    UpdateAfter(object, 999);
    EXPECT_EQ(CGameObjectInside::Rectangle(object), (Rect{1498, 2, 1598, 102}));   // 0.999 units: none yet
    EXPECT_EQ(CGameObjectInside::MoveAccX(object), 999u);                          // kept for the next tick
    UpdateAfter(object, 1);
    EXPECT_EQ(CGameObjectInside::Rectangle(object), (Rect{1499, 1, 1599, 101}));   // one unit short of both edges
    EXPECT_EQ(CGameObjectInside::SpeedX(object), 10);
    EXPECT_EQ(CGameObjectInside::SpeedY(object), -10);
    UpdateAfter(object, 1000);
    EXPECT_EQ(CGameObjectInside::Rectangle(object), (Rect{1500, 0, 1600, 100}));   // at both edges
    EXPECT_EQ(CGameObjectInside::SpeedX(object), -10);
    EXPECT_EQ(CGameObjectInside::SpeedY(object), 10);
    UpdateAfter(object, 1000);
    EXPECT_EQ(CGameObjectInside::Rectangle(object), (Rect{1499, 1, 1599, 101}));   // and back in

    // Without OBJ_BOUNCE the object goes on past the edge.
    const std::unique_ptr<CTestObject> free = Mover(Rect{1500, 0, 1600, 100}, 10, 0, 0);
    UpdateAfter(*free, 1000);
    EXPECT_EQ(CGameObjectInside::Rectangle(*free).right, 1601);
    EXPECT_EQ(CGameObjectInside::SpeedX(*free), 10);
}

// Names keep nineteen characters and their terminator; the twentieth is cut.
TEST_F(GameTest, NamesKeepNineteenCharactersAndCutTheTwentieth)
{
    MakeWorld();
    const std::string nineteen = "abcdefghijklmnopqrs";
    EXPECT_EQ(CTestObject(m_game.get(), 1, nullptr, nineteen).Name(), nineteen);
    EXPECT_EQ(CTestObject(m_game.get(), 1, nullptr, nineteen + "t").Name(), nineteen);
    EXPECT_EQ(CTestObject(m_game.get(), 1, nullptr, "").Name(), std::string());
}

// --- ball and paddle ---------------------------------------------------------------------

TEST_F(GameTest, TheBallAndPaddleStartInPlaceAndShareTheirPictures)
{
    MakeWorld();
    CBall ball(300, 300, m_game.get(), "Slowball");
    EXPECT_EQ(CGameObjectInside::Rectangle(ball), (Rect{250, 250, 350, 350}));
    UpdateAfter(ball, 1000);   // drifts 1 unit a second across and 8 down
    EXPECT_EQ(CGameObjectInside::Rectangle(ball), (Rect{251, 258, 351, 358}));
    EXPECT_EQ(CGameObjectInside::Flags(ball), OBJ_BOUNCE);
    EXPECT_EQ(CGameObjectInside::FrameCount(ball), 30);
    EXPECT_EQ(CGameObjectInside::FramePeriod(ball), 1u);
    EXPECT_EQ(CGameObjectInside::Sprite(ball)->Flags(), SPRITE_DITHER);

    CBall clamped(20, 500, m_game.get(), "Other");
    EXPECT_EQ(CGameObjectInside::Rectangle(clamped), (Rect{0, 450, 100, 550}));
    // found in the store, not loaded again
    EXPECT_EQ(CGameObjectInside::Sprite(clamped), CGameObjectInside::Sprite(ball));
    EXPECT_EQ(m_game->Sprites().GetCount(), 1);

    CPaddle paddle(m_game.get(), "Paddle");
    EXPECT_EQ(CGameObjectInside::Rectangle(paddle), (Rect{650, 1050, 1050, 1200}));
    EXPECT_EQ(CGameObjectInside::SpeedX(paddle), 0);
    EXPECT_EQ(CGameObjectInside::SpeedY(paddle), 0);
    EXPECT_EQ(CGameObjectInside::Flags(paddle), 0u);
    EXPECT_EQ(CGameObjectInside::FrameCount(paddle), 30);
    EXPECT_EQ(CGameObjectInside::FramePeriod(paddle), 1u);
    EXPECT_EQ(CGameObjectInside::Sprite(paddle)->Flags(), 0u);
    EXPECT_EQ(m_game->Sprites().GetCount(), 2);

    // Two balls in the table share one sprite, listed once in the order of drawing.
    for (const char* name : {"Ball A", "Paddle", "Ball B"}) {
        std::unique_ptr<CGameObject> added = name[0] == 'B' ? std::unique_ptr<CGameObject>(std::make_unique<CBall>(
                                                                  300, 300, m_game.get(), name))
                                                            : std::make_unique<CPaddle>(m_game.get(), name);
        ASSERT_TRUE(m_game->AddObject(added));
    }
    EXPECT_EQ(m_game->SpritesInDrawOrder(), (std::vector<CSprite*>{ball.Sprite(), paddle.Sprite()}));
}

// --- background --------------------------------------------------------------------------

TEST_F(GameTest, TheReadoutWaitsForAHundredFramesThenShowsTheirRate)
{
    MakeWorld();
    CBackground& background = ShowBackground();
    // Frames 1 to 100 write "Wait...": the text goes out before the 100th ends the sample.
    for (int32_t frame = 1; frame <= 100; ++frame) {
        EXPECT_EQ(background.RateText(), "Wait...") << frame;
        CGameInside::SetElapsedMs(*m_game, 16);
        background.Draw();
    }
    EXPECT_EQ(CGameObjectInside::AvgFrameMs(background), 16);
    EXPECT_EQ(background.RateText(), "62");   // what frame 101 shows

    // "62" is shorter than "Wait...": where "Wait..." ended the picture shows again.
    CSurface& back = *Screen().BackBuffer();
    CSurface& picture = *CGameObjectInside::Sprite(background)->FrameSurface(0);
    EXPECT_NE(RawAt(back, 30, 6), RawAt(picture, 30, 6));   // "Wait..." still there
    background.Draw();
    EXPECT_EQ(RawAt(back, 30, 6), RawAt(picture, 30, 6));
    EXPECT_NE(RawAt(back, 3, 6), RawAt(picture, 3, 6));     // "62" itself
    for (int32_t frame = 2; frame <= 100; ++frame) {
        CGameInside::SetElapsedMs(*m_game, 0);
        background.Draw();
    }
    EXPECT_EQ(CGameObjectInside::AvgFrameMs(background), 0);   // a sample under 100 ms: no rate
    EXPECT_EQ(background.RateText(), "Wait...");

    // The longest step the command line allows, a day: the sample's sum passes 2^31.
    for (int32_t frame = 1; frame <= 100; ++frame) {
        CGameInside::SetElapsedMs(*m_game, 86400000);
        background.Draw();
    }
    EXPECT_EQ(CGameObjectInside::AvgFrameMs(background), 86400000);
    EXPECT_EQ(background.RateText(), "0");
}

TEST_F(GameTest, TheBackgroundDrawsWholeThriceThenRepairsOnlyWhatWasDrawnOverUntilALoss)
{
    MakeWorld();
    CBackground& background = ShowBackground();
    for (int32_t frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(CGameObjectInside::FullDraw(background)) << frame;
        background.Draw();
    }
    EXPECT_FALSE(CGameObjectInside::FullDraw(background));
    const std::unique_ptr<CBitmap24> clean = Screen().BackBuffer()->ToBitmap();

    // Scribble over two places, only one recorded as dirty: only it is repaired.
    std::shared_ptr<CSurface> white;
    ASSERT_EQ(CScreenInside::Device(Screen()).CreateOffscreenSurface(50, 50, white), DISPLAY_OK);
    FillWith(*white, 0xFFFFFF);
    const Rect recorded{300, 300, 350, 350}, unrecorded{400, 100, 450, 150};
    Screen().BackBuffer()->Blit(&recorded, white.get(), nullptr, 0);
    Screen().BackBuffer()->Blit(&unrecorded, white.get(), nullptr, 0);
    Screen().MarkDirty(recorded);
    background.Draw();
    const std::unique_ptr<CBitmap24> after = Screen().BackBuffer()->ToBitmap();
    EXPECT_EQ(PixelAt(*after, 320, 320), PixelAt(*clean, 320, 320));   // repaired
    EXPECT_EQ(PixelAt(*after, 420, 120), Rgb(255, 255, 255));          // left alone
    Rect left;
    EXPECT_FALSE(Screen().TakeDirty(left));   // the repair took them all

    // After a loss the picture is drawn whole again, thrice as at the start.
    Screen().LoseAllSurfaces();
    background.Draw();   // restores the back buffer and the picture
    EXPECT_EQ(CGameObjectInside::RestoreDraws(background), CBackground::FULL_DRAWS - 1);
    const std::unique_ptr<CBitmap24> restored = Screen().BackBuffer()->ToBitmap();
    EXPECT_EQ(ComparePictures(*restored, *clean, Rect{0, 0, 160, 60}).pixels, 0) << "outside the readout's corner";
}

} // namespace

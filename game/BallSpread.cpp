// BallSpread.cpp — the seeded starts of the extra balls.
#include "game/BallSpread.h"

#include <memory>
#include <string>

#include "display/Screen.h"
#include "game/Ball.h"
#include "game/Game.h"
#include "platform/bitmaps/FatalError.h"

static_assert(CBallSpread::MAX_BALLS + 2 <= CGame::MAX_LIFTED_OBJECTS,
              "the lifted table holds the most balls, the background and the paddle");

namespace {

constexpr int32_t EDGE_MARGIN = 1;   // world units between a start and the world's edges

// How many places a ball's side can start at along a world side of that length.
constexpr uint32_t Places(int32_t worldSide)
{
    return static_cast<uint32_t>(worldSide - CBall::SIZE - 2 * EDGE_MARGIN + 1);
}

} // namespace

CBallSpread::CBallSpread(uint32_t seed) : m_generator(seed) {}

// Multiplying by the bound and keeping the top 32 bits maps the draw evenly enough
// (the bias is below bound / 2³²) and needs no rejection loop.
uint32_t CBallSpread::Below(uint32_t bound)
{
    const uint64_t draw = static_cast<uint32_t>(m_generator());
    return static_cast<uint32_t>((draw * bound) >> 32);
}

int32_t CBallSpread::Signed(int32_t magnitude)
{
    return Below(2) == 0 ? magnitude : -magnitude;
}

// Positions are drawn so that the whole rectangle lies inside the world, a unit clear of
// each edge: a ball turns only after the step that reaches an edge, so one that started on
// it heading out would leave the world by its first unit.
BallStart CBallSpread::Next()
{
    BallStart start;
    start.left = EDGE_MARGIN + static_cast<int32_t>(Below(Places(WORLD_WIDTH)));
    start.top = EDGE_MARGIN + static_cast<int32_t>(Below(Places(WORLD_HEIGHT)));
    start.speedX = Signed(CBall::START_SPEED_X);
    start.speedY = Signed(CBall::START_SPEED_Y);
    start.phase = static_cast<uint32_t>(m_generator());
    return start;
}

void CBallSpread::AddBalls(CGame& game, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const BallStart start = Next();
        // The constructor takes the centre; every drawn corner keeps the rectangle inside.
        auto ball = std::make_unique<CBall>(start.left + CBall::SIZE / 2, start.top + CBall::SIZE / 2, &game,
                                            "Slowball " + std::to_string(i + 2));
        ball->SetSpeed(start.speedX, start.speedY);
        ball->StartAtFrame(start.phase);
        std::unique_ptr<CGameObject> object = std::move(ball);
        if (!game.AddObject(object))
            throw CFatalError("world: the table of " + std::to_string(game.Capacity()) +
                              " objects is full; ball " + std::to_string(i + 2) + " does not fit");
    }
}

// DisplayFixture.h — a world on a headless window, for tests of the screen and sprites.
//
// SDL itself is started once for the whole test program (DisplayTestMain.cpp); each test
// gets its own window and world, the mode chosen before Initialise.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/Game.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteStore.h"
#include "platform/video/DisplayWindow.h"
#include "tests/support/SurfacePixels.h"

// A counter that moves only when told to, a million counts a second unless told otherwise.
class CManualCounter : public CPerformanceCounter {
public:
    explicit CManualCounter(uint64_t frequency = 1000000) : m_frequency(frequency) {}
    uint64_t Frequency() const override { return m_frequency; }
    uint64_t Counter() const override { return m_counter; }
    void AdvanceMs(uint64_t milliseconds) { m_counter += milliseconds * m_frequency / 1000; }

private:
    uint64_t m_frequency;
    uint64_t m_counter = 5000000;
};

class CDisplayFixture : public ::testing::Test {
protected:
    // A 640 × 480 window (or the given size) and a world whose clock is m_clock, its table
    // holding `capacity` objects.
    void MakeWorld(int32_t windowWidth = 640, int32_t windowHeight = 480, int32_t capacity = CGame::MAX_OBJECTS)
    {
        m_window = std::make_unique<CDisplayWindow>(HeadlessWindowOptions(windowWidth, windowHeight));
        auto counter = std::make_unique<CManualCounter>();
        m_clock = counter.get();
        m_game = std::make_unique<CGame>(std::move(counter), capacity);
    }

    // Chooses the mode and takes the window over.
    void Initialise(int32_t width, int32_t height, int32_t bitsPerPixel)
    {
        m_game->Screen().ApplyVideoMode({width, height, bitsPerPixel, 0});
        m_game->Screen().Initialise(*m_window);
    }

    CScreen& Screen() { return m_game->Screen(); }

    // A sprite made, set up and loaded as the game objects do, and put in the store.
    CSprite* AddSprite(const std::string& name, int32_t frames, uint32_t flags, ColourRef key, int32_t width,
                       int32_t height)
    {
        auto sprite = std::make_unique<CSprite>(m_game.get(), name);
        sprite->SetFrameCount(frames);
        sprite->SetFlags(flags);
        sprite->SetKeyColour(key);
        sprite->Load(name, width, height);
        CSprite* raw = sprite.get();
        m_game->Sprites().Add(std::move(sprite));
        return raw;
    }

    void TearDown() override
    {
        m_game.reset();
        m_window.reset();
    }

    std::unique_ptr<CDisplayWindow> m_window;
    std::unique_ptr<CGame> m_game;
    CManualCounter* m_clock = nullptr;
};

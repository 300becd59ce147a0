// Sprite.h — one picture of the program: loaded by name, rescaled once to the display
// resolution, cut into animation frames held on off-screen surfaces, drawn with a colour
// key at a rectangle given in world units.
//
//     auto sprite = std::make_unique<CSprite>(game, "Ball1");
//     sprite->SetFrameCount(30);
//     sprite->SetFlags(SPRITE_DITHER);
//     sprite->Load("Ball1", 100, 100);        // one frame's size in world units
//     game->Sprites().Add(std::move(sprite));
//     ... after the screen's Initialise:
//     sprite->Blit(rect, frame);
#pragma once

#include <array>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "display/ScreenPicture.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"

class CGame;
class CSurface;
struct SizeInPixels;

// Flag bits of m_flags.
constexpr uint32_t SPRITE_NODIRTY = 1;   // a blit is not recorded in the dirty-rectangle list
constexpr uint32_t SPRITE_DITHER = 8;    // in palette modes, reduce the picture by error diffusion

class CSprite : public CScreenPicture {
public:
    static constexpr int32_t MAX_FRAMES = 50;

    CSprite(CGame* game, std::string name);
    ~CSprite() override;

    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    // Loads the picture (the user's own for that built-in name where the store has one,
    // else built-in by name, else the BMP file of that path) and rescales the whole strip
    // of m_frameCount frames to the pixel size of one frame's world size. A user's picture
    // brings its frame count (if its name gives one) and its key. Throws CFatalError when
    // the picture cannot be found, m_frameCount is not 1..50, or a frame would be smaller
    // than 1 × 1 pixel.
    void Load(const std::string& resourceName, int32_t frameWidth, int32_t frameHeight);

    // Draws frame `frame` at the world rectangle and records its pixel rectangle as dirty
    // (unless SPRITE_NODIRTY). Surfaces are made on first use and restored after a loss.
    virtual void Blit(const Rect& world, int32_t frame);

    // Creates missing frame surfaces, restores lost ones and fills them all from the
    // picture (reduced to the palette first where that applies, on the first call only).
    virtual void CreateSurfaces(int32_t frameWidth, int32_t frameHeight);

    // Reduces the picture to the screen's palette by error diffusion, once, where that
    // applies (SPRITE_DITHER in a palette mode). It touches only the picture and the
    // quantizer's cache, so the screen may run it on another thread ahead of drawing.
    void ReduceColours() override;

    // The picture's colours, m_paletteWeight times, into the palette's histogram.
    void AddToPalette(CQuantizer& quantizer) const override;
    // Keeps the future CreateSurfaces waits on (m_reducedAhead).
    void AwaitReduction(std::future<void> reduced) override;

    // What the picture is, given before Load: how many frames its strip holds, its flags
    // (SPRITE_…) and its key colour (KEY_FROM_FIRST_PIXEL: the colour of its top-left pixel;
    // none: drawn opaque).
    void SetFrameCount(int32_t frameCount) { m_frameCount = frameCount; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    void SetKeyColour(std::optional<ColourRef> key) { m_keyColour = key; }

    const std::string& Name() const { return m_name; }
    int32_t FrameCount() const { return m_frameCount; }
    uint32_t Flags() const { return m_flags; }
    // Frame `frame`'s surface; null until the sprite is first drawn.
    CSurface* FrameSurface(int32_t frame) const { return m_surfaces[frame].get(); }
    // The loaded picture: rescaled, and reduced to the palette once drawn in a palette mode.
    const CBitmap24& Picture() const { return *m_hBitmap; }

private:
    friend class CSpriteInside;   // the tests' one view of the reduction's state

    void FillFrame(int32_t frame);
    // The picture of the name: the user's own (taking its frame count and key) or the
    // built-in one; `origin` is set to what messages call it.
    std::unique_ptr<CBitmap24> ReadPicture(const std::string& resourceName, std::string& origin);
    // Refuses a strip of `target` pixels that cannot be cut into m_frameCount frames of at
    // least one pixel.
    void CheckFrames(SizeInPixels target, const std::string& origin) const;

    int32_t m_paletteWeight = 1;
    std::string m_name;
    uint32_t m_flags = 0;
    int32_t m_frameCount = 0;
    std::unique_ptr<CBitmap24> m_hBitmap;
    std::array<std::shared_ptr<CSurface>, MAX_FRAMES> m_surfaces;
    int32_t m_frameWidth = 0;
    int32_t m_frameHeight = 0;
    int32_t m_targetWidth = 0;
    int32_t m_targetHeight = 0;
    std::optional<ColourRef> m_keyColour = KEY_FROM_FIRST_PIXEL;   // none: no key, drawn opaque
    bool m_bReduced = false;   // m_hBitmap already holds palette colours
    // Set while the screen reduces the picture ahead of its first drawing: ready when that
    // is done, or holding what failed. CreateSurfaces waits on it.
    std::future<void> m_reducedAhead;

protected:
    CGame* m_pGame;   // the world the sprite belongs to, through which it reaches the screen
};

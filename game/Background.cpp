// Background.cpp — full draws, dirty-rectangle repair and the frame-rate readout.
#include "game/Background.h"

#include "display/Screen.h"
#include "game/Game.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Surface.h"
#include "sprites/Sprite.h"

CBackground::CBackground(CGame* game, std::string_view name) : CGameObject(game, name)
{
    m_rect = Rect{0, 0, WORLD_WIDTH, WORLD_HEIGHT};
    m_depth = 1000;
    m_speedX = 0;
    m_speedY = 0;
    // Not recorded as dirty (it is what repairs), reduced by error diffusion in palette
    // modes, keyed on the colour the palette reserves.
    m_pSprite = AcquireSprite("Background1", 1, SPRITE_NODIRTY | SPRITE_DITHER, m_pGame->Screen().KeyColour(),
                              WORLD_WIDTH, WORLD_HEIGHT);
    m_frameCount = 1;
    m_framePeriod = 1;
}

void CBackground::Draw()
{
    RecoverFromLoss();

    // The whole picture on the first three frames (sample counter 0, 1, 2).
    if (m_bFullDraw || m_restoreDraws > 0) {
        CGameObject::Draw();
        if (m_framesCounted > 1)
            m_bFullDraw = false;
        if (m_restoreDraws > 0)
            --m_restoreDraws;
    }
    // What the sprites drew over in the previous tick.
    RepairDirtyRectangles();
    // Count the frame and write the rate.
    CountFrame();
}

void CBackground::RecoverFromLoss()
{
    if (m_pGame->Screen().RecoverFromLoss())
        m_restoreDraws = FULL_DRAWS;
}

void CBackground::RepairDirtyRectangles()
{
    CScreen& screen = m_pGame->Screen();
    CSurface* picture = m_pSprite->FrameSurface(m_frame);
    Rect rect;
    while (screen.TakeDirty(rect)) {
        const DisplayResult result = screen.BlitToBack(&rect, &rect, picture);
        if (result == DISPLAY_OK || result == DISPLAY_INVALID_RECT)
            continue;
        if (result == DISPLAY_SURFACE_LOST) {
            // Lost since this tick began: the next tick restores and draws whole.
            screen.RestoreSurfaces();
            continue;
        }
        throw CFatalError("background: cannot repair the picture: " + screen.BackBufferError());
    }
}

std::string CBackground::RateText() const
{
    return m_avgFrameMs != 0 ? std::to_string(1000 / m_avgFrameMs) : "Wait...";
}

void CBackground::Invalidate()
{
    m_restoreDraws = FULL_DRAWS;
    m_framesCounted = 0;
    m_sumMs = 0;
}

void CBackground::WriteText(const std::string& text)
{
    CScreen& screen = m_pGame->Screen();
    if (text != m_shownText && !m_textRect.IsEmpty())
        screen.BlitToBack(&m_textRect, &m_textRect, m_pSprite->FrameSurface(m_frame));
    if (screen.WriteText(text, &m_textRect))
        m_shownText = text;
}

void CBackground::CountFrame()
{
    if (m_pGame->IsClockStopped()) {
        WriteText(PAUSED_TEXT);
        return;
    }
    ++m_framesCounted;
    m_sumMs += static_cast<int64_t>(m_pGame->ElapsedMs());

    // The text goes out before the sample ends: frame 101 is the first to show a rate.
    WriteText(RateText());

    if (m_framesCounted == FRAME_SAMPLE) {
        m_avgFrameMs = m_sumMs / FRAME_SAMPLE;
        m_framesCounted = 0;
        m_sumMs = 0;
    }
}

// Background.h — the picture that fills the world, the repair of what sprites drew over,
// and the frame-rate readout.
//
// Deepest object (drawn first). The whole picture is drawn on the first three frames,
// and again on three frames after the display was restored from a loss; otherwise only
// the rectangles sprites drew over in the previous tick are repainted from the picture.
// The average frame rate of the last complete 100 frames is written in the top-left
// corner ("Wait..." until there is one; "Paused" on a frame drawn while the world's clock
// is stopped, which counts for nothing).
#pragma once

#include <cstdint>
#include <string>

#include "game/GameObject.h"

class CBackground : public CGameObject {
public:
    static constexpr int32_t FRAME_SAMPLE = 100;   // frames per frame-rate sample
    static constexpr int32_t FULL_DRAWS = 3;       // whole-picture draws after a restore
    static constexpr const char* PAUSED_TEXT = "Paused";

    CBackground(CGame* game, std::string_view name);

    void Draw() override;
    // Whole draws again, and a new frame-rate sample: frames before the window was hidden
    // and after it is shown again do not belong in one average.
    void Invalidate() override;

    // The readout's text: the rate of the last sample, or "Wait...".
    std::string RateText() const;

private:
    friend class CGameObjectInside;   // the tests' one view of the members below

    int64_t m_sumMs = 0;          // 64 bits: 100 frames of a day's step each overflow 32
    int32_t m_framesCounted = 0;
    int64_t m_avgFrameMs = 0;
    bool m_bFullDraw = true;
    int32_t m_restoreDraws = 0;   // whole draws still due after a restore
    std::string m_shownText;      // the readout as last written
    Rect m_textRect{};            // where it was written

    void RepairDirtyRectangles();
    // Restores a lost back buffer and, after any restore, schedules whole draws and drops
    // the rectangles (the whole picture covers them).
    void RecoverFromLoss();
    void CountFrame();
    // Writes the readout; a new text first has the old one's place repainted from the
    // picture, so no remains of a longer text stay beside a shorter one.
    void WriteText(const std::string& text);
};

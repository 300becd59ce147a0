// ContactSheet.cpp — the sheet's layout.
#include "ContactSheet.h"

#include "SpriteKey.h"

#include <algorithm>

namespace {

constexpr Rgb8 SHEET_GREY = {128, 128, 128};
constexpr int32_t GAP = 16;           // around the sheet and between its blocks
constexpr int32_t FRAME_GAP = 8;      // between frames in a grid
constexpr int32_t BALL_COLUMNS = 8;
constexpr int32_t PADDLE_COLUMNS = 6;

// Rows a grid of `count` frames needs with `columns` to a row.
int32_t GridRows(int32_t count, int32_t columns)
{
    return (count + columns - 1) / columns;
}

}  // namespace

CCanvas CContactSheet::Compose(const CCanvas& background, const CCanvas& ball, int32_t ballFrameHeight,
                               const CCanvas& paddle, int32_t paddleFrameHeight)
{
    const int32_t ballFrames = ball.Height() / ballFrameHeight;
    const int32_t paddleFrames = paddle.Height() / paddleFrameHeight;
    const int32_t ballGridWidth = BALL_COLUMNS * (ball.Width() + FRAME_GAP) - FRAME_GAP;
    const int32_t ballGridHeight = GridRows(ballFrames, BALL_COLUMNS) * (ballFrameHeight + FRAME_GAP) - FRAME_GAP;
    const int32_t paddleGridWidth = PADDLE_COLUMNS * (paddle.Width() + FRAME_GAP) - FRAME_GAP;
    const int32_t paddleGridHeight =
        GridRows(paddleFrames, PADDLE_COLUMNS) * (paddleFrameHeight + FRAME_GAP) - FRAME_GAP;

    const int32_t topBlockHeight = std::max(background.Height(), ballGridHeight);
    const int32_t width = GAP + std::max(background.Width() + GAP + ballGridWidth, paddleGridWidth) + GAP;
    const int32_t height = GAP + topBlockHeight + GAP + paddleGridHeight + GAP;

    CCanvas sheet(width, height, SHEET_GREY);
    sheet.Paste(background, GAP, GAP);
    PasteFrames(sheet, ball, ballFrameHeight, BALL_COLUMNS, GAP + background.Width() + GAP, GAP);
    PasteFrames(sheet, paddle, paddleFrameHeight, PADDLE_COLUMNS, GAP, GAP + topBlockHeight + GAP);
    return sheet;
}

void CContactSheet::PasteFrames(CCanvas& sheet, const CCanvas& strip, int32_t frameHeight, int32_t columns,
                                int32_t left, int32_t top)
{
    const int32_t frames = strip.Height() / frameHeight;
    for (int32_t frame = 0; frame < frames; ++frame) {
        CCanvas cell(strip.Width(), frameHeight, SHEET_GREY);
        for (int32_t y = 0; y < frameHeight; ++y)
            for (int32_t x = 0; x < strip.Width(); ++x)
                cell.Set(x, y, strip.At(x, frame * frameHeight + y));
        cell.ReplaceColour(SPRITE_KEY, SHEET_GREY);
        sheet.Paste(cell, left + (frame % columns) * (strip.Width() + FRAME_GAP),
                    top + (frame / columns) * (frameHeight + FRAME_GAP));
    }
}

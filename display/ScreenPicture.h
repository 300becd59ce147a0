// ScreenPicture.h — what the screen needs of a picture it keeps: its share of the palette
// and its reduction to that palette, which the screen may run ahead of drawing.
//
// Sprites implement it. The screen keeps the sprite store but sees only this, so the
// display stands below the sprites that draw through it.
#pragma once

#include <future>

class CQuantizer;

class CScreenPicture {
public:
    virtual ~CScreenPicture() = default;

    // Adds the picture's colours, with its weight, to the histogram the palette is cut from.
    virtual void AddToPalette(CQuantizer& quantizer) const = 0;
    // Reduces the picture to the palette, once, where that applies. Touches only the
    // picture and the quantizer's cache, so it may run on another thread.
    virtual void ReduceColours() = 0;
    // The future the picture's first drawing waits on while another thread reduces it;
    // an empty one lets it go (no thread will keep the promise).
    virtual void AwaitReduction(std::future<void> reduced) = 0;

protected:
    CScreenPicture() = default;
    CScreenPicture(const CScreenPicture&) = default;
    CScreenPicture& operator=(const CScreenPicture&) = default;
};

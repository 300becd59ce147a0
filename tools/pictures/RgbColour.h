// RgbColour.h — the colour value the picture painters compute with.
//
// Channels are doubles from 0 (none) to 1 (full), so shading, glows and blends can add
// and scale freely; a colour becomes bytes only when it is stored in a canvas.
#pragma once

#include <algorithm>

struct RgbColour {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// ---------------------------------------------------------------------------------------
// Arithmetic
// ---------------------------------------------------------------------------------------

inline RgbColour operator+(RgbColour a, RgbColour b)
{
    return RgbColour{a.red + b.red, a.green + b.green, a.blue + b.blue};
}

inline RgbColour operator*(RgbColour colour, double factor)
{
    return RgbColour{colour.red * factor, colour.green * factor, colour.blue * factor};
}

// Channel by channel product: a surface colour lit by a coloured light.
inline RgbColour operator*(RgbColour a, RgbColour b)
{
    return RgbColour{a.red * b.red, a.green * b.green, a.blue * b.blue};
}

// The colour t of the way from a to b (t = 0 gives a, t = 1 gives b).
inline RgbColour Mix(RgbColour a, RgbColour b, double t)
{
    return RgbColour{a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
                     a.blue + (b.blue - a.blue) * t};
}

// Rec. 601 brightness, for effects that fade with how light the sky behind them is.
inline double Luminance(RgbColour colour)
{
    return 0.299 * colour.red + 0.587 * colour.green + 0.114 * colour.blue;
}

// ---------------------------------------------------------------------------------------
// Shaping helpers shared by the painters
// ---------------------------------------------------------------------------------------

// Hermite ease from 0 at edge0 to 1 at edge1, flat at both ends.
inline double SmoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

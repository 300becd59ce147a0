// SurfacePixels.h — reading and writing surfaces' raw pixel values through Lock, and the
// window the display tests draw on.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/video/DisplayWindow.h"
#include "platform/video/PixelView.h"
#include "platform/video/Surface.h"

// A window of the given size that does not cover the desktop or wait for the refresh.
inline WindowOptions HeadlessWindowOptions(int32_t width, int32_t height)
{
    WindowOptions options;
    options.coverDesktop = false;
    options.width = width;
    options.height = height;
    options.waitForRefresh = false;
    return options;
}

// Sets every pixel to value(x, y), masked to the surface's depth.
inline void Fill(CSurface& surface, const std::function<uint32_t(int32_t, int32_t)>& value)
{
    LockedPixels locked;
    ASSERT_EQ(surface.Lock(locked), DISPLAY_OK) << surface.LastError();
    const int32_t bytes = locked.bitsPerPixel / 8;
    for (int32_t y = 0; y < locked.height; ++y)
        for (int32_t x = 0; x < locked.width; ++x)
            WriteRaw(locked.bits + y * locked.pitch + x * bytes, bytes,
                     value(x, y) & RawMask(locked.bitsPerPixel));
    ASSERT_EQ(surface.Unlock(), DISPLAY_OK);
}

inline void FillWith(CSurface& surface, uint32_t raw)
{
    Fill(surface, [raw](int32_t, int32_t) { return raw; });
}

// Every pixel's raw value, row by row.
inline std::vector<uint32_t> Raws(CSurface& surface)
{
    std::vector<uint32_t> raws;
    LockedPixels locked;
    EXPECT_EQ(surface.Lock(locked), DISPLAY_OK) << surface.LastError();
    if (locked.bits == nullptr)
        return raws;
    const int32_t bytes = locked.bitsPerPixel / 8;
    for (int32_t y = 0; y < locked.height; ++y)
        for (int32_t x = 0; x < locked.width; ++x)
            raws.push_back(ReadRaw(locked.bits + y * locked.pitch + x * bytes, bytes));
    EXPECT_EQ(surface.Unlock(), DISPLAY_OK);
    return raws;
}

inline uint32_t RawAt(CSurface& surface, int32_t x, int32_t y)
{
    return Raws(surface).at(static_cast<size_t>(y) * surface.Width() + x);
}


// DisplayMode.h — one display mode the display layer can set.
#pragma once

#include <cstdint>

struct DisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;   // 8, 16, 24 or 32
    int32_t refreshRate = 0;    // hertz; 0 when the display gives none

    friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

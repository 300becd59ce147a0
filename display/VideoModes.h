// VideoModes.h — the list of display modes the user can choose from, and its texts.
//
// The screen has the display device enumerate its modes into g_videoModes once, at start;
// the "Video Mode" dialog lists them, one line of text each, in the order reported.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/video/DisplayMode.h"

// One reported display mode.
using VideoMode = DisplayMode;

// A growable array of modes, in the order they were added.
class CVideoModeArray {
public:
    // A bound far above what a display reports (each mode is listed at four depths), so
    // that only a broken report reaches it.
    static constexpr int32_t MAX_VIDEO_MODES = 65536;

    // Appends a mode. Throws CFatalError once MAX_VIDEO_MODES modes are held.
    void Add(const VideoMode& mode);
    // Empties the array.
    void RemoveAll() { m_modes.clear(); }

    int32_t GetSize() const { return static_cast<int32_t>(m_modes.size()); }
    // The mode at `index`. Throws CFatalError for an index outside 0..GetSize()−1.
    const VideoMode& operator[](int32_t index) const;

    std::vector<VideoMode>::const_iterator begin() const { return m_modes.begin(); }
    std::vector<VideoMode>::const_iterator end() const { return m_modes.end(); }

private:
    std::vector<VideoMode> m_modes;
};

// The modes the display reported, filled once when the screen is made.
extern CVideoModeArray g_videoModes;

// Given to the display device's mode enumeration: appends each mode to g_videoModes.
void EnumModesCallback(const DisplayMode& mode);

// The mode's line in the list: "%4ix%4i, %s, %i hz" — width, height, depth text, rate.
std::string DescribeMode(const VideoMode& mode);

// The depth's text: "High Color" for 16 bits, "True Color" for 24 or 32, else "%i Bits".
std::string DescribeDepth(int32_t bitsPerPixel);

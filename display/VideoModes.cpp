// VideoModes.cpp — the mode list, its filling from the display, and the modes' texts.
#include "display/VideoModes.h"

#include <cstdio>

#include "platform/bitmaps/FatalError.h"

// ---------------------------------------------------------------------------------------
// The mode array
// ---------------------------------------------------------------------------------------

CVideoModeArray g_videoModes;

// The bound is checked before growing, so a runaway report cannot exhaust memory.
void CVideoModeArray::Add(const VideoMode& mode)
{
    if (GetSize() >= MAX_VIDEO_MODES)
        throw CFatalError("video modes: the display reported more than "
                          + std::to_string(MAX_VIDEO_MODES) + " modes");
    m_modes.push_back(mode);
}

// Checked, because the index usually comes from a dialog's selection.
const VideoMode& CVideoModeArray::operator[](int32_t index) const
{
    if (index < 0 || index >= GetSize())
        throw CFatalError("video modes: no mode " + std::to_string(index) + " among "
                          + std::to_string(GetSize()));
    return m_modes[static_cast<size_t>(index)];
}

// Every mode is kept, in the order reported: the list is neither filtered nor sorted.
void EnumModesCallback(const DisplayMode& mode)
{
    g_videoModes.Add(mode);
}

// ---------------------------------------------------------------------------------------
// Texts
// ---------------------------------------------------------------------------------------

// Depths without a name of their own are given by their bit count ("8 Bits").
std::string DescribeDepth(int32_t bitsPerPixel)
{
    if (bitsPerPixel == 16)
        return "High Color";
    if (bitsPerPixel == 24 || bitsPerPixel == 32)
        return "True Color";
    return std::to_string(bitsPerPixel) + " Bits";
}

// Width and height are right-aligned in four columns so that the list's lines line up in
// a monospaced font (" 640x 480", "1024x 768").
std::string DescribeMode(const VideoMode& mode)
{
    const std::string depth = DescribeDepth(mode.bitsPerPixel);
    char line[96];
    const int length = std::snprintf(line, sizeof line, "%4ix%4i, %s, %i hz", int{mode.width},
                                     int{mode.height}, depth.c_str(), int{mode.refreshRate});
    if (length < 0 || static_cast<size_t>(length) >= sizeof line)
        throw CFatalError("video modes: cannot describe a mode of " + std::to_string(mode.width)
                          + "x" + std::to_string(mode.height));
    return line;
}

// ScreenInside.h — the tests' one view inside CScreen: the device, the primary, the
// palette and the clipper, which no part of the program reaches but the tests check.
#pragma once

#include <memory>

#include "display/Screen.h"

class CScreenInside {
public:
    static CDisplayDevice& Device(const CScreen& screen) { return *screen.m_pDirectDraw; }
    static const std::shared_ptr<CSurface>& Primary(const CScreen& screen) { return screen.m_pPrimary; }
    static const std::shared_ptr<CDisplayPalette>& Palette(const CScreen& screen) { return screen.m_pPalette; }
    static const std::shared_ptr<CClipper>& Clipper(const CScreen& screen) { return screen.m_pClipper; }
};

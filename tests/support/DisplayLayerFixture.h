// DisplayLayerFixture.h — a headless window and exclusive device at a chosen mode, with
// helpers that read and write surfaces' raw pixel values through Lock.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/video/DisplayDevice.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/DisplayWindow.h"
#include "platform/video/Surface.h"
#include "tests/support/SurfacePixels.h"

class CDisplayLayerFixture : public ::testing::Test {
protected:
    // A window of the mode's size (windowed presentation, no refresh wait) and a device at
    // the exclusive level with the mode set.
    void SetMode(int32_t width, int32_t height, int32_t bitsPerPixel)
    {
        m_window = std::make_unique<CDisplayWindow>(HeadlessWindowOptions(width, height));
        m_device = std::make_unique<CDisplayDevice>(*m_window, CooperativeLevel::Exclusive, PresentOptions{true});
        ASSERT_EQ(m_device->SetDisplayMode({width, height, bitsPerPixel, 0}), DISPLAY_OK) << m_device->LastError();
    }

    void TearDown() override
    {
        m_device.reset();
        m_window.reset();
    }

    std::shared_ptr<CSurface> Offscreen(int32_t width, int32_t height)
    {
        std::shared_ptr<CSurface> surface;
        EXPECT_EQ(m_device->CreateOffscreenSurface(width, height, surface), DISPLAY_OK) << m_device->LastError();
        return surface;
    }

    // A palette of one colour everywhere but the entries given.
    static std::array<PaletteEntry, 256> PaletteOf(PaletteEntry everywhere,
                                                   std::initializer_list<std::pair<int, PaletteEntry>> entries)
    {
        std::array<PaletteEntry, 256> table;
        table.fill(everywhere);
        for (const auto& [index, entry] : entries)
            table[index] = entry;
        return table;
    }

    std::unique_ptr<CDisplayWindow> m_window;
    std::unique_ptr<CDisplayDevice> m_device;
};

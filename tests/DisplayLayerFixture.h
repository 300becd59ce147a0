// DisplayLayerFixture.h — a headless window and exclusive device at a chosen mode, with
// helpers that read and write surfaces' raw pixel values through Lock.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/DisplayDevice.h"
#include "platform/DisplayPalette.h"
#include "platform/DisplayWindow.h"
#include "platform/PixelView.h"
#include "platform/Surface.h"

class CDisplayLayerFixture : public ::testing::Test {
protected:
    // A window of the mode's size (windowed presentation, no refresh wait) and a device at
    // the exclusive level with the mode set.
    void SetMode(int32_t width, int32_t height, int32_t bitsPerPixel)
    {
        WindowOptions options;
        options.coverDesktop = false;
        options.width = width;
        options.height = height;
        options.waitForRefresh = false;
        m_window = std::make_unique<CDisplayWindow>(options);
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

    // Sets every pixel to value(x, y), masked to the surface's depth.
    static void Fill(CSurface& surface, const std::function<uint32_t(int32_t, int32_t)>& value)
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

    static void FillWith(CSurface& surface, uint32_t raw)
    {
        Fill(surface, [raw](int32_t, int32_t) { return raw; });
    }

    // Every pixel's raw value, row by row.
    static std::vector<uint32_t> Raws(CSurface& surface)
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

    static uint32_t RawAt(CSurface& surface, int32_t x, int32_t y)
    {
        return Raws(surface).at(static_cast<size_t>(y) * surface.Width() + x);
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

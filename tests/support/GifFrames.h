// GifFrames.h — an animated GIF decoded with giflib into the pictures a viewer shows, for
// the tests of --record.
#pragma once

#include <gtest/gtest.h>

#include <gif_lib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/bitmaps/Bitmap24.h"
#include "tests/support/PicturePixels.h"

// One image of the file: where it lies and how long it shows.
struct GifImage {
    Rect rect;
    int delayCs = 0;
    int transparent = NO_TRANSPARENT_COLOR;
    int disposal = 0;
};

// The file's images and the canvas after the last (every image is drawn over what the
// ones before left, its transparent pixels leaving it); `loops` tells whether it repeats.
struct GifAnimation {
    int width = 0;
    int height = 0;
    bool loops = false;
    std::vector<GifImage> images;
    std::unique_ptr<CBitmap24> last;
};

// Whether the extension blocks hold the Netscape loop.
inline bool HasLoop(const ExtensionBlock* blocks, int count)
{
    for (int i = 0; i < count; ++i)
        if (blocks[i].Function == APPLICATION_EXT_FUNC_CODE && blocks[i].ByteCount == 11 &&
            std::string(reinterpret_cast<const char*>(blocks[i].Bytes), 11) == "NETSCAPE2.0")
            return true;
    return false;
}

inline GifAnimation DecodeGif(const std::filesystem::path& path)
{
    GifAnimation animation;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) {
        ADD_FAILURE() << "cannot open " << path << ": " << GifErrorString(error);
        return animation;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "cannot read " << path << ": " << GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return animation;
    }
    animation.width = gif->SWidth;
    animation.height = gif->SHeight;
    animation.loops = gif->ImageCount > 0 &&
                      HasLoop(gif->SavedImages[0].ExtensionBlocks, gif->SavedImages[0].ExtensionBlockCount);
    auto canvas = std::make_unique<CBitmap24>(gif->SWidth, gif->SHeight);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        const GifImageDesc& desc = saved.ImageDesc;
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        animation.images.push_back(GifImage{Rect{desc.Left, desc.Top, desc.Left + desc.Width, desc.Top + desc.Height},
                                            control.DelayTime, control.TransparentColor, control.DisposalMode});
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        for (int y = 0; y < desc.Height; ++y)
            for (int x = 0; x < desc.Width; ++x) {
                const int index = saved.RasterBits[y * desc.Width + x];
                if (index == control.TransparentColor)
                    continue;
                const GifColorType colour = map->Colors[index];
                SetPixel(*canvas, desc.Left + x, desc.Top + y, Pixel24{colour.Blue, colour.Green, colour.Red});
            }
    }
    animation.last = std::move(canvas);
    DGifCloseFile(gif, &error);
    return animation;
}

// GifWriter.h — an animated GIF written image by image through giflib.
//
// The animation has one canvas size and a global palette of 256 colours and loops for
// ever. Each image covers a rectangle of the canvas and stays in place under the next one
// (disposal "do not dispose"), so an image need only cover what changed; pixels of its
// transparent index leave what was there. The file is written under a temporary name
// beside the destination and put in place by Finish, synced, as a batch of one (CFileBatch),
// so a run that fails leaves no partial file.
//
//     CGifWriter gif("loop.gif", 640, 480, palette);
//     gif.AddImage(Rect{0, 0, 640, 480}, indexes, 2, NO_TRANSPARENT_INDEX);
//     gif.AddImage(changed, changedIndexes, 2, unusedIndex);
//     gif.Finish();
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"

class CTemporaryFile;

struct GifFileType;

class CGifWriter {
public:
    static constexpr int32_t NO_TRANSPARENT_INDEX = -1;
    // The largest side giflib's 16-bit fields hold.
    static constexpr int32_t MAX_SIDE = 65535;

    // Starts the file: the canvas, the global palette and the loop. Throws CFatalError
    // naming the file when it cannot be written or the size does not fit a GIF.
    CGifWriter(std::filesystem::path path, int32_t width, int32_t height,
               const std::array<PaletteEntry, 256>& palette);
    // Without Finish, the temporary file is closed and removed.
    ~CGifWriter();

    CGifWriter(const CGifWriter&) = delete;
    CGifWriter& operator=(const CGifWriter&) = delete;

    // Adds one image over `rect` of the canvas, shown for `delayCs` hundredths of a second:
    // `indexes` holds its rows, rect.Width() bytes each. With `localPalette`, the image's
    // own colours replace the global ones for it. Throws CFatalError for a rectangle
    // outside the canvas, too few indexes, or a write that fails.
    void AddImage(const Rect& rect, const std::vector<uint8_t>& indexes, int32_t delayCs, int32_t transparentIndex,
                  const std::array<PaletteEntry, 256>* localPalette = nullptr);

    // Ends the file and gives it its name. Throws CFatalError when that fails.
    void Finish();

    int32_t ImageCount() const { return m_images; }

private:
    [[noreturn]] void Fail(const std::string& what, int errorCode) const;
    // Closes the file; returns giflib's error code (0 when closing went well).
    int Close();
    void PutLoopExtension();

    std::filesystem::path m_path;
    std::unique_ptr<CTemporaryFile> m_file;   // removed unless Finish puts it in place
    GifFileType* m_gif = nullptr;
    int32_t m_width;
    int32_t m_height;
    int32_t m_images = 0;
};

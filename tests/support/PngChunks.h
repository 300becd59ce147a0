// PngChunks.h — a PNG read back by libspng on its own terms, for the tests of what we
// write: the header, palette and transparency chunks as stored, and the pixels as
// libspng's own RGB decoding gives them.
#pragma once

#include <spng.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct PngContents {
    spng_ihdr header{};
    std::optional<spng_plte> palette;
    std::optional<spng_trns> transparency;
    std::vector<uint8_t> rgb;   // RGB8, rows top first, no padding
};

// The file's chunks and pixels; fails the calling test (and returns what it has) when
// libspng refuses the file.
inline PngContents ReadPngContents(const std::string& file)
{
    PngContents contents;
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_buffer(context.get(), file.data(), file.size());
    EXPECT_EQ(spng_get_ihdr(context.get(), &contents.header), 0);
    spng_plte palette{};
    if (spng_get_plte(context.get(), &palette) == 0)
        contents.palette = palette;
    spng_trns transparency{};
    if (spng_get_trns(context.get(), &transparency) == 0)
        contents.transparency = transparency;
    size_t length = 0;
    EXPECT_EQ(spng_decoded_image_size(context.get(), SPNG_FMT_RGB8, &length), 0);
    contents.rgb.resize(length);
    EXPECT_EQ(spng_decode_image(context.get(), contents.rgb.data(), length, SPNG_FMT_RGB8, 0), 0);
    return contents;
}

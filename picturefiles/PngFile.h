// PngFile.h — PNG pictures through libspng: decoding from memory within the program's size
// limits, and encoding 24-bit pictures as 8-bit RGB or as indexed (palette) PNGs.
//
// Decoding gives 24-bit pixels whatever the file's colour type and depth (grey and palette
// pictures expanded, 16-bit samples cut to their high byte, alpha dropped), or, with an
// alpha key, every fully transparent pixel (alpha 0, at 8 or 16 bits) in the key's colour.
// The chunk list is walked first (order, lengths, IEND); nothing is allocated for the
// pixels before the declared size has passed the size limit and been found possible for
// the bytes of image data; the rows are then decoded one at a time straight into the
// picture, and the chunks after them read to IEND with their checksums.
//
//     std::unique_ptr<CBitmap24> picture = DecodePng(bytes);
//     std::vector<uint8_t> png = EncodeRgbPng(*picture, 0x00FF00FF);   // magenta transparent
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

class CIndexedPicture;

// A PNG that cannot be decoded or encoded; the message is libspng's reason, the size
// check's, or, for a damaged file, "damaged PNG file: " and the fault.
class CPngError : public std::runtime_error {
public:
    explicit CPngError(const std::string& message) : std::runtime_error(message) {}
};

// The zlib level pictures are written with (the measurement behind it is in PngFile.cpp).
constexpr int32_t PNG_COMPRESSION_LEVEL = 4;

// Whether the bytes start with the PNG signature.
bool IsPng(std::span<const uint8_t> bytes);

// Decodes a whole PNG file held in memory, of any length. With an alpha key, pixels whose
// alpha (from an alpha channel or a tRNS chunk) is 0 take the key's colour. Throws
// CPngError.
std::unique_ptr<CBitmap24> DecodePng(std::span<const uint8_t> png, std::optional<ColourRef> alphaKey = std::nullopt);

// Encodes the picture as an 8-bit RGB PNG; with a transparent colour, a tRNS chunk names
// it. Throws CPngError.
std::vector<uint8_t> EncodeRgbPng(const CBitmap24& picture, std::optional<ColourRef> transparent = std::nullopt,
                                  int32_t level = PNG_COMPRESSION_LEVEL);

// Encodes the picture as an indexed PNG: PLTE with its entries, indices at its bit depth,
// and a tRNS chunk when it has a transparent entry. Throws CPngError.
std::vector<uint8_t> EncodeIndexedPng(const CIndexedPicture& picture, int32_t level = PNG_COMPRESSION_LEVEL);

// PictureFile.h — reading and writing PNG and BMP files as 24-bit bitmaps.
//
// Reading goes through one entry point, DecodePicture, which takes the file's bytes from
// memory: ReadPicture reads the bytes of a file that hold its picture (a PNG whole, a BMP
// up to the end of the rows its header describes; each size checked first) and hands
// them on, and the program's built-in pictures are decoded by the same call. PNG is read
// by libspng (PngFile.h: grey and palette pictures are expanded, alpha is dropped unless
// an alpha key asks for it), BMP by CBmpReader (BmpFile.h). A picture with no pixels is
// refused by every reader, and a damaged one with "damaged" and why. Writing makes 24-bit RGB files, PNG or BMP by the name's ending, or indexed PNGs,
// and never leaves a partial file: the picture is written to a temporary name beside the
// target, synced, and renamed over it when complete (FileBatch.h).
//
//     std::unique_ptr<CBitmap24> picture = ReadPicture("in.png");
//     WritePicture("out.bmp", *picture);
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picturefiles/PictureFileError.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

class CIndexedPicture;

enum class PictureFormat { Png, Bmp };

// The formats a reader takes: both, or BMP alone (the program's own pictures).
enum class PictureFormats { PngOrBmp, BmpOnly };

// The format a file name asks for by its ending (.png or .bmp, any letter case); throws
// std::invalid_argument for any other name.
PictureFormat FormatForName(const std::filesystem::path& path);

// Decodes a whole PNG or BMP file held in memory. With an alpha key, the fully
// transparent pixels of a PNG take the key's colour. Throws CPictureFileError saying why
// when the bytes are not a picture of an allowed format, damaged, empty or too large.
std::unique_ptr<CBitmap24> DecodePicture(std::span<const uint8_t> bytes,
                                         PictureFormats formats = PictureFormats::PngOrBmp,
                                         std::optional<ColourRef> alphaKey = std::nullopt);

// Reads a PNG or BMP file. Throws CPictureFileError, naming the file, when it is missing
// or unreadable, or DecodePicture refuses it.
std::unique_ptr<CBitmap24> ReadPicture(const std::filesystem::path& path,
                                       PictureFormats formats = PictureFormats::PngOrBmp,
                                       std::optional<ColourRef> alphaKey = std::nullopt);

// The picture as a 24-bit PNG or BMP file, by the name's ending; a PNG names the
// transparent colour, if one is given, in a tRNS chunk. Throws CPictureFileError for an
// empty picture or when the encoder fails.
std::vector<uint8_t> EncodePicture(const std::filesystem::path& path, const CBitmap24& picture,
                                   std::optional<ColourRef> transparent = std::nullopt);

// The picture as an indexed PNG file (the name must end in .png: else
// std::invalid_argument). Throws CPictureFileError when the encoder fails.
std::vector<uint8_t> EncodeIndexedPicture(const std::filesystem::path& path, const CIndexedPicture& picture);

// Writes the picture as a 24-bit PNG or BMP, by the name's ending, as EncodePicture makes
// it. Throws CPictureFileError when it cannot; the target is then left as it was.
void WritePicture(const std::filesystem::path& path, const CBitmap24& picture,
                  std::optional<ColourRef> transparent = std::nullopt);

// Writes text to a file the same way: whole or not at all.
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

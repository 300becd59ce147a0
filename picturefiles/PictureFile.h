// PictureFile.h — reading and writing PNG and BMP files as 24-bit bitmaps.
//
// Reading goes through one entry point, DecodePicture, which takes the file's bytes from
// memory: ReadPicture reads a file whole (its size checked first) and hands it on, and the
// program's built-in pictures are decoded by the same call. PNG is read by stb_image (grey
// and palette pictures are expanded, alpha is dropped), BMP by CBmpReader (BmpFile.h). A
// picture with no pixels is refused by every reader. Writing makes 24-bit RGB files, PNG or
// BMP by the name's ending, and never leaves a partial file: the picture is written to a
// temporary name beside the target and renamed over it when complete (FileBatch.h).
//
//     std::unique_ptr<CBitmap24> picture = ReadPicture("in.png");
//     WritePicture("out.bmp", *picture);
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "picturefiles/PictureFileError.h"
#include "platform/bitmaps/Bitmap24.h"

enum class PictureFormat { Png, Bmp };

// The formats a reader takes: both, or BMP alone (the program's own pictures).
enum class PictureFormats { PngOrBmp, BmpOnly };

// The format a file name asks for by its ending (.png or .bmp, any letter case); throws
// std::invalid_argument for any other name.
PictureFormat FormatForName(const std::filesystem::path& path);

// Decodes a whole PNG or BMP file held in memory. Throws CPictureFileError saying why
// when the bytes are not a picture of an allowed format, damaged, empty or too large.
std::unique_ptr<CBitmap24> DecodePicture(std::span<const uint8_t> bytes,
                                         PictureFormats formats = PictureFormats::PngOrBmp);

// Reads a PNG or BMP file. Throws CPictureFileError, naming the file, when it is missing
// or unreadable, or DecodePicture refuses it.
std::unique_ptr<CBitmap24> ReadPicture(const std::filesystem::path& path,
                                       PictureFormats formats = PictureFormats::PngOrBmp);

// The picture as a 24-bit PNG or BMP file, by the name's ending. Throws
// CPictureFileError for an empty picture or when the encoder fails.
std::vector<uint8_t> EncodePicture(const std::filesystem::path& path, const CBitmap24& picture);

// Writes the picture as a 24-bit PNG or BMP, by the name's ending. Throws
// CPictureFileError when it cannot; the target is then left as it was.
void WritePicture(const std::filesystem::path& path, const CBitmap24& picture);

// Writes text to a file the same way: whole or not at all.
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

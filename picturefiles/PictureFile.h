// PictureFile.h — reading and writing PNG and BMP files as 24-bit bitmaps.
//
// Reading accepts PNG and BMP of any depth stb_image understands (grey and palette
// pictures are expanded, alpha is dropped). Writing makes 24-bit RGB files, PNG or BMP by
// the name's ending, and never leaves a partial file: the picture is written to a
// temporary name beside the target and renamed over it when complete.
//
//     std::unique_ptr<CBitmap24> picture = ReadPicture("in.png");
//     WritePicture("out.bmp", *picture);
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/bitmaps/Bitmap24.h"

// A picture file that cannot be read or written; the message says which and why.
class CPictureFileError : public std::runtime_error {
public:
    explicit CPictureFileError(const std::string& message) : std::runtime_error(message) {}
};

enum class PictureFormat { Png, Bmp };

// The format a file name asks for by its ending (.png or .bmp, any letter case); throws
// std::invalid_argument for any other name.
PictureFormat FormatForName(const std::filesystem::path& path);

// Reads a PNG or BMP file. Throws CPictureFileError when the file is missing, not a PNG or
// BMP, damaged, or too large to handle.
std::unique_ptr<CBitmap24> ReadPicture(const std::filesystem::path& path);

// Writes the picture as a 24-bit PNG or BMP, by the name's ending. Throws
// CPictureFileError when it cannot; the target is then left as it was.
void WritePicture(const std::filesystem::path& path, const CBitmap24& picture);

// Writes text to a file the same way: whole or not at all.
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

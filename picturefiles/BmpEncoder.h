// BmpEncoder.h — a 24-bit picture as an uncompressed BMP file, written straight from its
// rows.
//
// The file is the one stb_image_write makes for three-channel pictures, byte for byte
// (a 54-byte header, rows bottom-up in blue-green-red order, each padded with zeros to a
// multiple of four bytes), but it is produced in large blocks from the bitmap's own rows,
// which are already in that byte order, with no packed copy of the picture in between.
//
//     EncodeBmp(picture, [&](const uint8_t* bytes, size_t count) { file.Write(bytes, count); });
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/bitmaps/Bitmap24.h"

// The length of the picture's BMP file.
size_t BmpFileBytes(const CBitmap24& picture);

// Hands the whole file to `sink`, in order, in blocks of up to a few hundred KiB.
void EncodeBmp(const CBitmap24& picture, const std::function<void(const uint8_t*, size_t)>& sink);

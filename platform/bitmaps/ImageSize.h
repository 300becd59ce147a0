// ImageSize.h — size checks for every buffer whose size a picture decides.
//
// Any width and height that reach an allocation pass through CheckedImageBytes first,
// so a picture too large to handle is refused with a message instead of overflowing
// an int or exhausting memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The largest picture buffer the program makes: 1 GiB (a 18918 × 18918 picture).
constexpr int64_t MAX_IMAGE_BYTES = int64_t{1} << 30;

// Bytes of a width × height picture in the shared row layout. Throws CFatalError, naming
// `what`, for a negative size or one above MAX_IMAGE_BYTES.
size_t CheckedImageBytes(int64_t width, int64_t height, const std::string& what);

// Throws CFatalError, naming `what`, unless count × elementSize stays within MAX_IMAGE_BYTES.
size_t CheckedArrayBytes(int64_t count, size_t elementSize, const std::string& what);

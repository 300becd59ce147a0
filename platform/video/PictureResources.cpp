// PictureResources.cpp — built-in pictures by name, or BMP files by path, decoded with
// stb_image into 24-bit bitmaps.
#include "platform/video/PictureResources.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <stb_image.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/PixelTypes.h"
#include "platform/video/EmbeddedPictures.h"

namespace {

// ---------------------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------------------

// Owns what stb_image returns.
struct StbPixels {
    unsigned char* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

// True when a picture of this size may be made (platform/bitmaps/ImageSize.h).
bool SizeAllowed(int width, int height)
{
    try {
        CheckedImageBytes(width, height, "picture");
        return true;
    } catch (const CFatalError&) {
        return false;
    }
}

// Tightly packed RGB rows, top row first, into the 24-bit row layout.
std::unique_ptr<CBitmap24> ToBitmap(const unsigned char* rgb, int width, int height)
{
    auto bitmap = std::make_unique<CBitmap24>(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const unsigned char* in = rgb + static_cast<size_t>(y) * width * 3;
        uint8_t* out = bitmap->Bits() + static_cast<size_t>(y) * bitmap->Stride();
        for (int32_t x = 0; x < width; ++x)
            StorePixel(out + 3 * x, Pixel24{in[3 * x + 2], in[3 * x + 1], in[3 * x]});
    }
    return bitmap;
}

// The little-endian number of `bytes` bytes at `at`.
uint32_t LittleEndian(std::string_view file, size_t at, size_t bytes)
{
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
        value |= uint32_t{static_cast<uint8_t>(file[at + i])} << (8 * i);
    return value;
}

// False when an uncompressed BMP ends before its last row: stb_image would fill the
// missing rows with black and call the picture good.
bool HoldsAllRows(std::string_view file)
{
    constexpr size_t INFO_HEADER_END = 34;   // through biCompression
    if (file.size() < INFO_HEADER_END || LittleEndian(file, 14, 4) < 40)
        return true;   // an old core header, or too short for stb_image to accept anyway
    const uint32_t compression = LittleEndian(file, 30, 4);
    if (compression != 0 && compression != 3)   // run-length coded rows have no fixed size
        return true;
    const int64_t offset = LittleEndian(file, 10, 4);
    const int64_t width = static_cast<int32_t>(LittleEndian(file, 18, 4));
    const int64_t height = static_cast<int32_t>(LittleEndian(file, 22, 4));
    const int64_t bitsPerPixel = LittleEndian(file, 28, 2);
    const int64_t stride = (std::abs(width) * bitsPerPixel + 31) / 32 * 4;
    return offset + stride * std::abs(height) <= static_cast<int64_t>(file.size());
}

// A BMP file held in memory; null unless it is a whole BMP of an allowed size that decodes.
std::unique_ptr<CBitmap24> DecodeBmp(std::string_view file)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M' || file.size() > static_cast<size_t>(INT32_MAX) ||
        !HoldsAllRows(file))
        return nullptr;
    const int length = static_cast<int>(file.size());
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(bytes, length, &width, &height, &channels) == 0 || !SizeAllowed(width, height))
        return nullptr;
    StbPixels pixels;
    pixels.data = stbi_load_from_memory(bytes, length, &width, &height, &channels, 3);
    if (pixels.data == nullptr)
        return nullptr;
    return ToBitmap(pixels.data, width, height);
}

// ---------------------------------------------------------------------------------------
// Finding the picture
// ---------------------------------------------------------------------------------------

// Resource names compare without regard to letter case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// A BMP file, read whole (no picture the program can hold needs a larger file) and then
// decoded like a built-in one.
std::unique_ptr<CBitmap24> LoadBmpFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error))
        return nullptr;
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > static_cast<uintmax_t>(MAX_IMAGE_BYTES))
        return nullptr;
    std::string bytes(static_cast<size_t>(size), '\0');
    std::ifstream in(file, std::ios::binary);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return nullptr;
    return DecodeBmp(bytes);
}

} // namespace

std::unique_ptr<CBitmap24> LoadPicture(std::string_view name)
{
    for (const EmbeddedPicture& picture : EmbeddedPictures())
        if (SameNameIgnoringCase(picture.name, name))
            return DecodeBmp(picture.bytes);
    if (name.empty())
        return nullptr;
    return LoadBmpFile(std::string(name));
}

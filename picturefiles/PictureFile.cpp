// PictureFile.cpp — the one reader from memory, stb_image and stb_image_write behind size
// checks, and whole writes.
#include "picturefiles/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "picturefiles/BmpFile.h"
#include "picturefiles/FileBatch.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/PixelTypes.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------

constexpr std::array<uint8_t, 8> PNG_SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t PNG_HEADER_END = 24;   // signature, IHDR length and type, width, height

// No picture that may be made needs a larger file: a 32-bit BMP of the largest one holds
// 4/3 of its 24-bit bytes.
constexpr int64_t MAX_PICTURE_FILE_BYTES = 2 * MAX_IMAGE_BYTES;

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// A decoder's reason as printable text only, whatever bytes it holds.
std::string PrintableText(const char* text)
{
    std::string printable = text != nullptr ? text : "unknown reason";
    for (char& c : printable)
        if (c < ' ' || c > '~')
            c = '?';
    return printable;
}

// Owns the pixels stb_image returns.
struct StbPixels {
    unsigned char* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

// Closes a file descriptor when it goes.
struct OpenFile {
    int fd = -1;
    ~OpenFile()
    {
        if (fd >= 0)
            close(fd);
    }
};

bool IsPng(std::span<const uint8_t> bytes)
{
    return bytes.size() >= PNG_SIGNATURE.size() && std::equal(PNG_SIGNATURE.begin(), PNG_SIGNATURE.end(), bytes.begin());
}

// PNG: the IHDR chunk's width and height (big-endian, at bytes 16 and 20) are checked
// before stb_image decodes anything.
std::unique_ptr<CBitmap24> DecodePng(std::span<const uint8_t> bytes)
{
    if (bytes.size() < PNG_HEADER_END)
        throw CPictureFileError("the PNG file ends inside its header");
    CheckDeclaredSize("PNG", BigEndian32(&bytes[16]), BigEndian32(&bytes[20]));
    if (bytes.size() > static_cast<size_t>(INT32_MAX))
        throw CPictureFileError("the PNG file is too large to decode");

    int width = 0, height = 0, channels = 0;
    StbPixels pixels;
    pixels.data = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 3);
    if (pixels.data == nullptr)
        throw CPictureFileError(PrintableText(stbi_failure_reason()));
    auto picture = std::make_unique<CBitmap24>(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels.data + static_cast<size_t>(y) * width * 3;
        uint8_t* out = picture->Bits() + static_cast<size_t>(y) * picture->Stride();
        for (int32_t x = 0; x < width; ++x)
            StorePixel(out + 3 * x, Pixel24{in[3 * x + 2], in[3 * x + 1], in[3 * x + 0]});
    }
    return picture;
}

// The whole file, its size checked before anything is allocated. A file that cannot be
// opened or read says why.
std::vector<uint8_t> ReadWholeFile(const fs::path& path)
{
    OpenFile file;
    file.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file.fd < 0)
        throw CPictureFileError(errno == ENOENT ? "no such file" : std::strerror(errno));
    struct stat status {};
    if (fstat(file.fd, &status) != 0)
        throw CPictureFileError(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw CPictureFileError("not a file");
    if (status.st_size > MAX_PICTURE_FILE_BYTES)
        throw CPictureFileError("a file of " + std::to_string(status.st_size >> 20) +
                                " MiB is larger than any picture this reader takes");

    std::vector<uint8_t> bytes(static_cast<size_t>(status.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(file.fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CPictureFileError(std::strerror(errno));
        if (n == 0)
            break;   // the file shrank while it was read: decode what is there
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

// ---------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------

// The picture's pixels as tightly packed RGB rows, top row first, as the encoders take them.
std::vector<uint8_t> PackedRgb(const CBitmap24& picture)
{
    const size_t width = static_cast<size_t>(picture.Width());
    std::vector<uint8_t> rgb(CheckedImageBytes(picture.Width(), picture.Height(), "picture"));
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* in = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        uint8_t* out = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (size_t x = 0; x < width; ++x) {
            out[3 * x + 0] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x + 0];
        }
    }
    return rgb;
}

// Collects what an stb writer produces.
void AppendBytes(void* context, void* data, int size)
{
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    const auto* p = static_cast<const uint8_t*>(data);
    bytes->insert(bytes->end(), p, p + size);
}

// The encoded file, or empty when the encoder failed.
std::vector<uint8_t> Encode(PictureFormat format, const CBitmap24& picture)
{
    const std::vector<uint8_t> rgb = PackedRgb(picture);
    std::vector<uint8_t> encoded;
    const int ok = format == PictureFormat::Png
        ? stbi_write_png_to_func(AppendBytes, &encoded, picture.Width(), picture.Height(), 3, rgb.data(), picture.Width() * 3)
        : stbi_write_bmp_to_func(AppendBytes, &encoded, picture.Width(), picture.Height(), 3, rgb.data());
    if (!ok)
        encoded.clear();
    return encoded;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Public
// ---------------------------------------------------------------------------------------

PictureFormat FormatForName(const fs::path& path)
{
    std::string ending = path.extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ending == ".png")
        return PictureFormat::Png;
    if (ending == ".bmp")
        return PictureFormat::Bmp;
    throw std::invalid_argument("output " + QuotedPath(path) + " must end in .png or .bmp");
}

std::unique_ptr<CBitmap24> DecodePicture(std::span<const uint8_t> bytes, PictureFormats formats)
{
    if (CBmpReader::HasSignature(bytes))
        return CBmpReader(bytes).Decode();
    if (formats == PictureFormats::PngOrBmp && IsPng(bytes))
        return DecodePng(bytes);
    throw CPictureFileError(formats == PictureFormats::BmpOnly ? "not a BMP file" : "not a PNG or BMP file");
}

std::unique_ptr<CBitmap24> ReadPicture(const fs::path& path, PictureFormats formats)
{
    try {
        return DecodePicture(ReadWholeFile(path), formats);
    } catch (const CPictureFileError& error) {
        throw CPictureFileError("cannot read " + QuotedPath(path) + ": " + error.what());
    }
}

std::vector<uint8_t> EncodePicture(const fs::path& path, const CBitmap24& picture)
{
    const PictureFormat format = FormatForName(path);
    if (picture.Width() == 0 || picture.Height() == 0)
        throw CPictureFileError("cannot write " + QuotedPath(path) + ": the picture has no pixels");
    std::vector<uint8_t> encoded = Encode(format, picture);
    if (encoded.empty())
        throw CPictureFileError("cannot write " + QuotedPath(path) + ": the encoder failed");
    return encoded;
}

void WritePicture(const fs::path& path, const CBitmap24& picture)
{
    CFileBatch file;
    file.Add(path, EncodePicture(path, picture));
    file.Commit();
}

void WriteTextFile(const fs::path& path, const std::string& text)
{
    CFileBatch file;
    file.Add(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    file.Commit();
}

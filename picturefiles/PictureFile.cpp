// PictureFile.cpp — the one reader from memory, libspng (PngFile.h), the BMP reader and
// writer (BmpFile.h, BmpEncoder.h) behind size checks, and whole writes.
#include "picturefiles/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "picturefiles/BmpEncoder.h"
#include "picturefiles/BmpFile.h"
#include "picturefiles/FileBatch.h"
#include "picturefiles/PngFile.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/OutOfMemory.h"
#include "platform/bitmaps/PixelTypes.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------

// No picture that may be made needs a larger file: a 32-bit BMP of the largest one holds
// 4/3 of its 24-bit bytes.
constexpr int64_t MAX_PICTURE_FILE_BYTES = 2 * MAX_IMAGE_BYTES;

// A decoder's reason as printable text only, whatever bytes it holds.
std::string PrintableText(const char* text)
{
    std::string printable = text != nullptr ? text : "unknown reason";
    for (char& c : printable)
        if (c < ' ' || c > '~')
            c = '?';
    return printable;
}

// Closes a file descriptor when it goes.
struct OpenFile {
    int fd = -1;
    ~OpenFile()
    {
        if (fd >= 0)
            close(fd);
    }
};

// A PNG through libspng, whose reason is passed on when it refuses the bytes.
std::unique_ptr<CBitmap24> DecodePngPicture(std::span<const uint8_t> bytes, std::optional<ColourRef> alphaKey)
{
    try {
        return DecodePng(bytes, alphaKey);
    } catch (const CPngError& refused) {
        throw CPictureFileError(PrintableText(refused.what()));
    }
}

// Appends bytes from the file until `bytes` holds `length` of them, or the file ends (it
// shrank while it was read: what is there is decoded, and refused if short).
void ReadUpTo(int fd, std::vector<uint8_t>& bytes, uint64_t length)
{
    size_t got = bytes.size();
    try {
        bytes.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        throw COutOfMemory("the file's bytes", static_cast<size_t>(length));
    }
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CPictureFileError(std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
}

// Refuses a read of more bytes than any picture that may be made needs.
void CheckFileBytes(uint64_t length)
{
    if (length > static_cast<uint64_t>(MAX_PICTURE_FILE_BYTES))
        throw CPictureFileError("a file of " + std::to_string(length) + " bytes is larger than any picture this " +
                                "reader takes (at most " + std::to_string(MAX_PICTURE_FILE_BYTES) + " bytes)");
}

// The bytes of the file that hold its picture, each size checked before anything is
// allocated: a BMP's up to the end of the rows its header describes (whatever follows is
// not read), a PNG whole where PNG is taken, and of anything else only its start, which
// is enough to refuse it. A file that cannot be opened or read says why.
std::vector<uint8_t> ReadPictureBytes(const fs::path& path, PictureFormats formats)
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
    const uint64_t fileLength = static_cast<uint64_t>(status.st_size);

    std::vector<uint8_t> bytes;
    ReadUpTo(file.fd, bytes, std::min<uint64_t>(fileLength, CBmpReader::HEAD_BYTES));
    uint64_t wanted = bytes.size();
    if (CBmpReader::HasSignature(bytes))
        wanted = CBmpReader(bytes, fileLength).FileBytes();
    else if (formats == PictureFormats::PngOrBmp && IsPng(bytes))
        wanted = fileLength;
    CheckFileBytes(wanted);
    if (wanted <= bytes.size())
        bytes.resize(static_cast<size_t>(wanted));
    else
        ReadUpTo(file.fd, bytes, wanted);
    return bytes;
}

// ---------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------

// The BMP file made straight from the rows into a buffer of its exact size.
std::vector<uint8_t> EncodedBmp(const CBitmap24& picture)
{
    std::vector<uint8_t> encoded;
    encoded.reserve(BmpFileBytes(picture));
    EncodeBmp(picture, [&encoded](const uint8_t* bytes, size_t count) { encoded.insert(encoded.end(), bytes, bytes + count); });
    return encoded;
}

// A PNG encoded by `encode`, with libspng's reason passed on when it fails.
template <typename Encode>
std::vector<uint8_t> EncodedPng(const fs::path& path, Encode encode)
{
    try {
        return encode();
    } catch (const CPngError& failed) {
        throw CPictureFileError("cannot write " + QuotedPath(path) + ": " + failed.what());
    }
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

std::unique_ptr<CBitmap24> DecodePicture(std::span<const uint8_t> bytes, PictureFormats formats,
                                         std::optional<ColourRef> alphaKey)
{
    if (CBmpReader::HasSignature(bytes))
        return CBmpReader(bytes).Decode();
    if (formats == PictureFormats::PngOrBmp && IsPng(bytes))
        return DecodePngPicture(bytes, alphaKey);
    throw CPictureFileError(formats == PictureFormats::BmpOnly ? "not a BMP file" : "not a PNG or BMP file");
}

std::unique_ptr<CBitmap24> ReadPicture(const fs::path& path, PictureFormats formats, std::optional<ColourRef> alphaKey)
{
    try {
        return DecodePicture(ReadPictureBytes(path, formats), formats, alphaKey);
    } catch (const CPictureFileError& error) {
        throw CPictureFileError("cannot read " + QuotedPath(path) + ": " + error.what());
    } catch (const COutOfMemory& memory) {
        throw CFatalError("cannot read " + QuotedPath(path) + ": " + memory.what());
    }
}

std::vector<uint8_t> EncodePicture(const fs::path& path, const CBitmap24& picture, std::optional<ColourRef> transparent)
{
    const PictureFormat format = FormatForName(path);
    if (picture.Width() == 0 || picture.Height() == 0)
        throw CPictureFileError("cannot write " + QuotedPath(path) + ": the picture has no pixels");
    if (format == PictureFormat::Png)
        return EncodedPng(path, [&] { return EncodeRgbPng(picture, transparent); });
    return EncodedBmp(picture);
}

std::vector<uint8_t> EncodeIndexedPicture(const fs::path& path, const CIndexedPicture& picture)
{
    if (FormatForName(path) != PictureFormat::Png)
        throw std::invalid_argument("an indexed picture is written as PNG, not as " + QuotedPath(path));
    return EncodedPng(path, [&] { return EncodeIndexedPng(picture); });
}

void WritePicture(const fs::path& path, const CBitmap24& picture, std::optional<ColourRef> transparent)
{
    CFileBatch file;
    if (FormatForName(path) == PictureFormat::Bmp && picture.Width() > 0 && picture.Height() > 0) {
        // A BMP straight from the rows into picture memory of its exact size (a few pages
        // for a large one), then to the file.
        CPixelBuffer encoded(BmpFileBytes(picture));
        size_t used = 0;
        EncodeBmp(picture, [&](const uint8_t* bytes, size_t count) {
            std::memcpy(encoded.Data() + used, bytes, count);
            used += count;
        });
        file.Add(path, std::span<const uint8_t>(encoded.Data(), used));
    } else {
        file.Add(path, EncodePicture(path, picture, transparent));
    }
    file.Commit();
}

void WriteTextFile(const fs::path& path, const std::string& text)
{
    CFileBatch file;
    file.Add(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    file.Commit();
}

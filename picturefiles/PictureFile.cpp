// PictureFile.cpp — stb_image and stb_image_write behind size checks and atomic writes.
#include "picturefiles/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/PixelTypes.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------

constexpr std::array<uint8_t, 8> PNG_SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// What the first bytes of a file say: its format and size, before anything is decoded.
struct PictureHeader {
    bool known = false;   // a PNG or BMP whose header could be read
    int64_t width = 0;
    int64_t height = 0;
};

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

int32_t LittleEndian32(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

// PNG: the signature, then the IHDR chunk's Width and Height (big-endian, at bytes 16
// and 20). BMP: bfType "BM", then the info header's biWidth and biHeight (little-endian,
// at bytes 18 and 22; a negative biHeight means the rows are stored top-down).
PictureHeader ReadHeader(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::array<uint8_t, 26> head{};
    file.read(reinterpret_cast<char*>(head.data()), head.size());
    const auto got = file.gcount();

    PictureHeader header;
    if (got >= 24 && std::equal(PNG_SIGNATURE.begin(), PNG_SIGNATURE.end(), head.begin())) {
        header = {true, BigEndian32(&head[16]), BigEndian32(&head[20])};
    } else if (got >= 26 && head[0] == 'B' && head[1] == 'M') {
        const int64_t biHeight = LittleEndian32(&head[22]);
        header = {true, LittleEndian32(&head[18]), biHeight < 0 ? -biHeight : biHeight};
    }
    return header;
}

// Owns the pixels stb_image returns.
struct StbPixels {
    unsigned char* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

// The path in quotes, for messages. (Built by appending: GCC 12 warns falsely about
// "'" + std::string.)
std::string Quoted(const fs::path& path)
{
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

// ---------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------

// A file under a temporary name beside its target; removed unless Commit renames it.
class CTemporaryFile {
public:
    explicit CTemporaryFile(const fs::path& target) : m_target(target)
    {
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        std::string hidden(1, '.');
        hidden += target.filename().string();
        hidden += ".XXXXXX";
        m_name = (folder / hidden).string();
        m_fd = mkstemp(m_name.data());
        if (m_fd < 0)
            throw CPictureFileError("cannot write " + Quoted(target) + ": " + std::strerror(errno));
        // mkstemp makes the file private; give it the permissions a new file normally gets.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(m_fd, 0666 & ~mask);
    }
    ~CTemporaryFile()
    {
        if (m_fd >= 0)
            close(m_fd);
        if (!m_committed)
            unlink(m_name.c_str());
    }
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;

    // Writes all the bytes, or throws.
    void Write(const void* bytes, size_t count)
    {
        const auto* p = static_cast<const uint8_t*>(bytes);
        while (count > 0) {
            const ssize_t n = ::write(m_fd, p, count);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Fail(std::strerror(errno));
            p += n;
            count -= static_cast<size_t>(n);
        }
    }

    // Closes the file and puts it in place of the target.
    void Commit()
    {
        const int fd = m_fd;
        m_fd = -1;
        if (close(fd) != 0)
            Fail(std::strerror(errno));
        if (std::rename(m_name.c_str(), m_target.c_str()) != 0)
            Fail(std::strerror(errno));
        m_committed = true;
    }

private:
    [[noreturn]] void Fail(const std::string& why)
    {
        throw CPictureFileError("cannot write " + Quoted(m_target) + ": " + why);
    }

    fs::path m_target;
    std::string m_name;
    int m_fd = -1;
    bool m_committed = false;
};

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
    throw std::invalid_argument("output " + Quoted(path) + " must end in .png or .bmp");
}

std::unique_ptr<CBitmap24> ReadPicture(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        throw CPictureFileError("cannot read " + Quoted(path) + ": " +
                                (fs::exists(path, error) ? "not a file" : "no such file"));

    // The size first, so a picture too large is refused before it is decoded.
    const PictureHeader header = ReadHeader(path);
    if (!header.known)
        throw CPictureFileError("cannot read " + Quoted(path) + ": not a PNG or BMP file");
    try {
        CheckedImageBytes(header.width, header.height, "picture");
    } catch (const CFatalError& tooLarge) {
        throw CPictureFileError("cannot read " + Quoted(path) + ": " + tooLarge.what());
    }

    int width = 0, height = 0, channels = 0;
    StbPixels pixels;
    pixels.data = stbi_load(path.c_str(), &width, &height, &channels, 3);
    if (pixels.data == nullptr)
        throw CPictureFileError("cannot read " + Quoted(path) + ": " + stbi_failure_reason());

    auto picture = std::make_unique<CBitmap24>(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels.data + static_cast<size_t>(y) * width * 3;
        uint8_t* out = picture->Bits() + static_cast<size_t>(y) * picture->Stride();
        for (int32_t x = 0; x < width; ++x)
            StorePixel(out + 3 * x, Pixel24{in[3 * x + 2], in[3 * x + 1], in[3 * x + 0]});
    }
    return picture;
}

void WritePicture(const fs::path& path, const CBitmap24& picture)
{
    const PictureFormat format = FormatForName(path);
    const std::vector<uint8_t> encoded = Encode(format, picture);
    if (encoded.empty())
        throw CPictureFileError("cannot write " + Quoted(path) + ": the encoder failed");
    CTemporaryFile file(path);
    file.Write(encoded.data(), encoded.size());
    file.Commit();
}

void WriteTextFile(const fs::path& path, const std::string& text)
{
    CTemporaryFile file(path);
    file.Write(text.data(), text.size());
    file.Commit();
}

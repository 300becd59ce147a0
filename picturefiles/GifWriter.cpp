// GifWriter.cpp — giflib's encoder: screen, loop extension, images with their timing.
#include "picturefiles/GifWriter.h"

#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "picturefiles/FileBatch.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/TemporaryFile.h"
#include "platform/bitmaps/FatalError.h"

namespace {

constexpr int COLOUR_RESOLUTION = 8;
constexpr int PALETTE_SIZE = 256;
// The Netscape application extension: loop count 0, for ever.
constexpr char LOOP_APPLICATION[] = "NETSCAPE2.0";
constexpr int LOOP_APPLICATION_LENGTH = 11;
constexpr uint8_t LOOP_FOR_EVER[] = {1, 0, 0};
// The GIF format's largest delay (16 bits of hundredths).
constexpr int32_t MAX_DELAY_CS = 65535;

// giflib's colour map of the entries; freed by the caller through the deleter.
struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapDeleter>;

ColourMap MakeColourMap(const std::array<PaletteEntry, 256>& entries)
{
    std::array<GifColorType, PALETTE_SIZE> colours{};
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = GifColorType{entries[i].red, entries[i].green, entries[i].blue};
    ColourMap map(GifMakeMapObject(PALETTE_SIZE, colours.data()));
    if (!map)
        throw CFatalError("GIF: out of memory for a colour map");
    return map;
}

} // namespace

CGifWriter::CGifWriter(std::filesystem::path path, int32_t width, int32_t height,
                       const std::array<PaletteEntry, 256>& palette)
    : m_path(std::move(path)), m_width(width), m_height(height)
{
    if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE)
        throw CFatalError("cannot write '" + m_path.string() + "': a GIF cannot be " + std::to_string(width) + "x" +
                          std::to_string(height) + " pixels");
    // Opened by us rather than by giflib, which would make the file readable by its owner
    // only; the temporary file gets the permissions the user's umask gives.
    try {
        m_file = std::make_unique<CTemporaryFile>(m_path);
    } catch (const CPictureFileError& error) {   // the recorder's failures are fatal ones
        throw CFatalError(error.what());
    }
    const int file = m_file->ReleaseDescriptor();
    int error = 0;
    m_gif = EGifOpenFileHandle(file, &error);
    if (m_gif == nullptr) {
        close(file);
        Fail("cannot open", error);
    }
    EGifSetGifVersion(m_gif, true);
    const ColourMap map = MakeColourMap(palette);
    if (EGifPutScreenDesc(m_gif, width, height, COLOUR_RESOLUTION, 0, map.get()) != GIF_OK)
        Fail("cannot write the header of", m_gif->Error);
    PutLoopExtension();
}

CGifWriter::~CGifWriter()
{
    if (m_gif != nullptr)
        Close();
}

void CGifWriter::PutLoopExtension()
{
    if (EGifPutExtensionLeader(m_gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(m_gif, LOOP_APPLICATION_LENGTH, LOOP_APPLICATION) != GIF_OK ||
        EGifPutExtensionBlock(m_gif, sizeof LOOP_FOR_EVER, LOOP_FOR_EVER) != GIF_OK ||
        EGifPutExtensionTrailer(m_gif) != GIF_OK)
        Fail("cannot write the loop of", m_gif->Error);
}

// The message names the destination, not the temporary file the user never sees.
void CGifWriter::Fail(const std::string& what, int errorCode) const
{
    const char* why = GifErrorString(errorCode);
    throw CFatalError(what + " '" + m_path.string() + "'" + (why != nullptr ? std::string(": ") + why : ""));
}

void CGifWriter::AddImage(const Rect& rect, const std::vector<uint8_t>& indexes, int32_t delayCs,
                          int32_t transparentIndex, const std::array<PaletteEntry, 256>* localPalette)
{
    if (m_gif == nullptr)
        throw CFatalError("GIF: '" + m_path.string() + "' is already finished");
    if (rect.IsEmpty() || rect.left < 0 || rect.top < 0 || rect.right > m_width || rect.bottom > m_height)
        throw CFatalError("GIF: an image outside the " + std::to_string(m_width) + "x" + std::to_string(m_height) +
                          " canvas");
    const size_t width = static_cast<size_t>(rect.Width());
    if (indexes.size() < width * static_cast<size_t>(rect.Height()))
        throw CFatalError("GIF: an image with fewer pixels than its rectangle");

    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = std::clamp(delayCs, 0, MAX_DELAY_CS);
    control.TransparentColor = transparentIndex;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(m_gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) != GIF_OK)
        Fail("cannot write an image's timing to", m_gif->Error);

    const ColourMap local = localPalette != nullptr ? MakeColourMap(*localPalette) : ColourMap();
    if (EGifPutImageDesc(m_gif, rect.left, rect.top, rect.Width(), rect.Height(), false, local.get()) != GIF_OK)
        Fail("cannot write an image to", m_gif->Error);
    // giflib takes the rows as writable memory, though it only reads them.
    std::vector<GifPixelType> row(width);
    for (int32_t y = 0; y < rect.Height(); ++y) {
        std::copy_n(indexes.begin() + static_cast<std::ptrdiff_t>(width * static_cast<size_t>(y)), width,
                    row.begin());
        if (EGifPutLine(m_gif, row.data(), rect.Width()) != GIF_OK)
            Fail("cannot write an image to", m_gif->Error);
    }
    ++m_images;
}

int CGifWriter::Close()
{
    int error = 0;
    const int result = EGifCloseFile(m_gif, &error);
    m_gif = nullptr;
    return result == GIF_OK ? 0 : (error != 0 ? error : E_GIF_ERR_CLOSE_FAILED);
}

// The file is synced and put in place as a batch of one: under the folder's lock, with
// the ending signals held, and the folder synced after.
void CGifWriter::Finish()
{
    if (m_gif == nullptr)
        return;
    const int error = Close();
    if (error != 0)
        Fail("cannot finish", error);
    try {
        m_file->Sync();
        CFileBatch batch;
        batch.Add(std::move(m_file));
        batch.Commit();
    } catch (const CPictureFileError& failure) {
        throw CFatalError(failure.what());
    }
}

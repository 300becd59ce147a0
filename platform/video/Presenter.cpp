// Presenter.cpp — texture upload of changed rectangles, letterboxed drawing, read-back.
#include "platform/video/Presenter.h"

#include <array>
#include <bit>

#include <SDL.h>

#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/OutOfMemory.h"
#include "platform/video/DisplayPalette.h"

namespace {

// ---------------------------------------------------------------------------------------
// Texture format
// ---------------------------------------------------------------------------------------

// True for a 32-bit format with 8-bit red, green and blue channels.
bool IsPacked8888(uint32_t format)
{
    int bpp = 0;
    Uint32 red = 0, green = 0, blue = 0, alpha = 0;
    if (SDL_PixelFormatEnumToMasks(format, &bpp, &red, &green, &blue, &alpha) != SDL_TRUE || bpp != 32)
        return false;
    return std::popcount(red) == 8 && std::popcount(green) == 8 && std::popcount(blue) == 8;
}

// True when the renderer lists the format among its texture formats.
bool RendererTakes(SDL_Renderer* renderer, uint32_t format)
{
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0)
        return false;
    for (Uint32 i = 0; i < info.num_texture_formats; ++i)
        if (info.texture_formats[i] == format)
            return true;
    return false;
}

// The window's own format when the renderer takes it (drawing then needs no conversion),
// otherwise ARGB8888, which every SDL renderer takes.
uint32_t ChooseTextureFormat(SDL_Renderer* renderer)
{
    SDL_Window* window = SDL_RenderGetWindow(renderer);
    const uint32_t windowFormat = window != nullptr ? SDL_GetWindowPixelFormat(window) : uint32_t{SDL_PIXELFORMAT_UNKNOWN};
    if (IsPacked8888(windowFormat) && RendererTakes(renderer, windowFormat))
        return windowFormat;
    return SDL_PIXELFORMAT_ARGB8888;
}

// Where a 32-bit format keeps its channels.
TextureLayout LayoutOf(uint32_t format)
{
    int bpp = 0;
    Uint32 red = 0, green = 0, blue = 0, alpha = 0;
    SDL_PixelFormatEnumToMasks(format, &bpp, &red, &green, &blue, &alpha);
    return TextureLayout{static_cast<uint32_t>(std::countr_zero(red)), static_cast<uint32_t>(std::countr_zero(green)),
                         static_cast<uint32_t>(std::countr_zero(blue)), alpha};
}

// ---------------------------------------------------------------------------------------
// Letterboxing
// ---------------------------------------------------------------------------------------

// The largest rectangle of the picture's shape that fits the output, centred.
SDL_Rect Letterbox(int32_t width, int32_t height, int outputWidth, int outputHeight)
{
    SDL_Rect box{0, 0, outputWidth, outputHeight};
    if (int64_t{outputWidth} * height <= int64_t{outputHeight} * width)
        box.h = static_cast<int>(int64_t{height} * outputWidth / width);   // bars above and below
    else
        box.w = static_cast<int>(int64_t{width} * outputHeight / height);   // bars left and right
    box.x = (outputWidth - box.w) / 2;
    box.y = (outputHeight - box.h) / 2;
    return box;
}

// The output outside the letterbox: left and right of it, or above and below it (empty
// when the shapes agree).
std::array<SDL_Rect, 2> BarsBeside(const SDL_Rect& box, int outputWidth, int outputHeight)
{
    if (box.w < outputWidth)
        return {SDL_Rect{0, 0, box.x, outputHeight},
                SDL_Rect{box.x + box.w, 0, outputWidth - box.x - box.w, outputHeight}};
    return {SDL_Rect{0, 0, outputWidth, box.y}, SDL_Rect{0, box.y + box.h, outputWidth, outputHeight - box.y - box.h}};
}

// Our rectangle (right and bottom exclusive) as SDL's (position and size).
SDL_Rect ToSdlRect(const Rect& r)
{
    return SDL_Rect{r.left, r.top, r.Width(), r.Height()};
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lifetime
// ---------------------------------------------------------------------------------------

CPresenter::CPresenter(SDL_Renderer* renderer, int32_t width, int32_t height, int32_t bitsPerPixel)
    : m_renderer(renderer),
      m_width(width),
      m_height(height),
      m_bitsPerPixel(bitsPerPixel),
      m_textureFormat(ChooseTextureFormat(renderer)),
      m_converter(bitsPerPixel, LayoutOf(m_textureFormat)),
      m_changes(width, height)
{
    m_changes.AddAll();
}

CPresenter::~CPresenter()
{
    if (m_texture != nullptr)
        SDL_DestroyTexture(m_texture);
}

// Records what failed with SDL's text; false, for `return Fail(...)`.
bool CPresenter::Fail(const std::string& what)
{
    m_error = what + ": " + SDL_GetError();
    return false;
}

bool CPresenter::CreateTexture()
{
    if (m_texture != nullptr)
        SDL_DestroyTexture(m_texture);
    m_texture = SDL_CreateTexture(m_renderer, m_textureFormat, SDL_TEXTUREACCESS_STREAMING, m_width, m_height);
    if (m_texture == nullptr)
        return Fail("cannot make the " + std::to_string(m_width) + "x" + std::to_string(m_height) +
                    " display texture of " +
                    COutOfMemory::SizeText(size_t{SDL_BYTESPERPIXEL(m_textureFormat)} * m_width * m_height));
    // The back buffer's pixels are opaque whatever the unused byte holds; scaling keeps
    // pixels sharp.
    SDL_SetTextureBlendMode(m_texture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(m_texture, SDL_ScaleModeNearest);
    m_changes.AddAll();
    m_hasFrame = false;
    return true;
}

// ---------------------------------------------------------------------------------------
// Presenting
// ---------------------------------------------------------------------------------------

bool CPresenter::Present(const PixelView& backBuffer, const std::shared_ptr<CDisplayPalette>& palette)
{
    if (m_texture == nullptr) {
        m_error = "the display texture is missing";
        return false;
    }
    if (m_bitsPerPixel == 8) {
        if (!palette) {
            m_error = "an 8-bit frame cannot be shown without a palette on the primary surface";
            return false;
        }
        if (palette != m_shownPalette) {   // every pixel's colour may have changed
            m_converter.SetPalette(*palette);
            m_shownPalette = palette;
            m_changes.AddAll();
        }
    }
    if (!Upload(backBuffer))
        return false;
    m_hasFrame = true;
    if (!Draw())
        return false;
    SDL_RenderPresent(m_renderer);
    return true;
}

bool CPresenter::DrawLastFrame()
{
    return m_texture != nullptr && m_hasFrame && Draw();
}

bool CPresenter::Redraw()
{
    if (m_texture == nullptr || !m_hasFrame)
        return true;
    if (!Draw())
        return false;
    SDL_RenderPresent(m_renderer);
    return true;
}

// Converts each changed rectangle straight into the texture's memory.
bool CPresenter::Upload(const PixelView& backBuffer)
{
    for (const Rect& rect : m_changes.Rects()) {
        const SDL_Rect area = ToSdlRect(rect);
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(m_texture, &area, &pixels, &pitch) != 0)
            return Fail("cannot update the display texture");
        m_converter.Convert(backBuffer, rect, static_cast<uint8_t*>(pixels), pitch);
        SDL_UnlockTexture(m_texture);
        m_uploadedPixels += static_cast<uint64_t>(rect.Width()) * static_cast<uint64_t>(rect.Height());
    }
    m_changes.Clear();
    return true;
}

// The texture in the letterbox and black bars beside or above and below it: together they
// cover every output pixel, so nothing needs clearing first (that would write the whole
// output twice a frame).
bool CPresenter::Draw()
{
    int outputWidth = 0, outputHeight = 0;
    if (SDL_GetRendererOutputSize(m_renderer, &outputWidth, &outputHeight) != 0)
        return Fail("cannot read the output size");
    const SDL_Rect box = Letterbox(m_width, m_height, outputWidth, outputHeight);
    const std::array<SDL_Rect, 2> bars = BarsBeside(box, outputWidth, outputHeight);
    if (SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, SDL_ALPHA_OPAQUE) != 0)
        return Fail("cannot draw the bars");
    for (const SDL_Rect& bar : bars)
        if (bar.w > 0 && bar.h > 0 && SDL_RenderFillRect(m_renderer, &bar) != 0)
            return Fail("cannot draw the bars");
    if (SDL_RenderCopy(m_renderer, m_texture, nullptr, &box) != 0)
        return Fail("cannot draw the frame");
    return true;
}

bool CPresenter::ReadOutput(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    if (m_texture == nullptr) {
        m_error = "the display texture is missing";
        return false;
    }
    if (!Draw())
        return false;
    int outputWidth = 0, outputHeight = 0;
    if (SDL_GetRendererOutputSize(m_renderer, &outputWidth, &outputHeight) != 0)
        return Fail("cannot read the output size");
    pixels.assign(CheckedArrayBytes(int64_t{outputWidth} * outputHeight, 4, "output") / 4, 0);
    if (SDL_RenderReadPixels(m_renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), outputWidth * 4) != 0)
        return Fail("cannot read the output");
    for (uint32_t& pixel : pixels)
        pixel &= 0x00FFFFFF;
    width = outputWidth;
    height = outputHeight;
    return true;
}

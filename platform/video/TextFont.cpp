// TextFont.cpp — the sans-serif font file, opened and rendered with SDL_ttf.
#include "platform/video/TextFont.h"

#include <SDL_ttf.h>

#include "platform/bitmaps/ImageSize.h"
#include "platform/video/FontFile.h"

namespace {

// The SDL_ttf font behind the opaque pointer.
TTF_Font* AsFont(void* font)
{
    return static_cast<TTF_Font*>(font);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The font
// ---------------------------------------------------------------------------------------

std::unique_ptr<CTextFont> CTextFont::Open(std::string& error)
{
    if (TTF_WasInit() == 0) {
        error = "SDL_ttf is not started";
        return nullptr;
    }
    const FontFile file = FindFontFile("sans-serif");
    if (file.path.empty()) {
        error = "no sans-serif font: neither fonts-dejavu-core nor fontconfig gives one";
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFontIndex(file.path.c_str(), PIXEL_SIZE, file.index);
    if (font == nullptr) {
        error = "cannot open the font " + file.path + ": " + TTF_GetError();
        return nullptr;
    }
    return std::unique_ptr<CTextFont>(new CTextFont(font));
}

CTextFont::CTextFont(void* font) : m_font(font) {}

CTextFont::~CTextFont()
{
    TTF_CloseFont(AsFont(m_font));
}

bool CTextFont::Render(std::string_view text, TextImage& image, std::string& error) const
{
    image = TextImage{};
    if (text.empty())
        return true;
    const std::string line(text);
    const SDL_Color black{0, 0, 0, SDL_ALPHA_OPAQUE};
    const SDL_Color white{255, 255, 255, SDL_ALPHA_OPAQUE};
    // Shaded rendering gives an 8-bit picture whose palette runs from the background to
    // the text colour.
    SDL_Surface* rendered = TTF_RenderUTF8_Shaded(AsFont(m_font), line.c_str(), black, white);
    if (rendered == nullptr) {
        error = std::string("cannot render text: ") + TTF_GetError();
        return false;
    }
    image.width = rendered->w;
    image.height = rendered->h;
    image.indexes.resize(CheckedArrayBytes(int64_t{rendered->w} * rendered->h, 1, "text"));
    const auto* rows = static_cast<const uint8_t*>(rendered->pixels);
    for (int32_t y = 0; y < rendered->h; ++y)
        for (int32_t x = 0; x < rendered->w; ++x)
            image.indexes[static_cast<size_t>(y) * rendered->w + x] = rows[static_cast<ptrdiff_t>(y) * rendered->pitch + x];
    const SDL_Palette* palette = rendered->format->palette;
    for (int32_t i = 0; palette != nullptr && i < palette->ncolors && i < 256; ++i)
        image.colours[i] = MakeColour(palette->colors[i].r, palette->colors[i].g, palette->colors[i].b);
    SDL_FreeSurface(rendered);
    return true;
}

// TextFont.h — the default font of drawing contexts: DejaVu Sans from the font package (the
// desktop's sans-serif through fontconfig without it), opened with SDL_ttf at the size of a
// desktop's default UI font.
//
// Text is rendered black on opaque white, anti-aliased: the result is a small picture of
// palette indexes, each index standing for one shade between white and black.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

// A rendered line of text: width × height indexes into `colours` (0x00BBGGRR).
struct TextImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> indexes;
    std::array<ColourRef, 256> colours{};
};

class CTextFont {
public:
    // Pixel height of the em, as desktops set their interface font (10 pt at 96 dpi).
    static constexpr int32_t PIXEL_SIZE = 13;

    // The font, or null with `error` saying why (no font found, SDL_ttf not started...).
    static std::unique_ptr<CTextFont> Open(std::string& error);
    ~CTextFont();

    CTextFont(const CTextFont&) = delete;
    CTextFont& operator=(const CTextFont&) = delete;

    // Renders one line of UTF-8 text; false, with `error`, when SDL_ttf cannot.
    bool Render(std::string_view text, TextImage& image, std::string& error) const;

private:
    explicit CTextFont(void* font);
    void* m_font;   // TTF_Font, kept opaque so SDL_ttf stays out of this header
};

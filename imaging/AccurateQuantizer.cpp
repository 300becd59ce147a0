// AccurateQuantizer.cpp — the exact histogram, the chooser and the nearest-entry search
// put together as two passes over the pictures.
#include "imaging/AccurateQuantizer.h"

#include <algorithm>
#include <string>

#include "imaging/PaletteDitherer.h"
#include "platform/bitmaps/FatalError.h"

CAccurateQuantizer::CAccurateQuantizer(int32_t colours, ChooserSettings settings)
    : m_maxColours(colours), m_settings(settings)
{
    if (colours < MIN_COLOURS || colours > MAX_COLOURS)
        throw CFatalError("quantize: " + std::to_string(colours) + " palette entries (1 to 256 allowed)");
}

CAccurateQuantizer::~CAccurateQuantizer() = default;

void CAccurateQuantizer::AddPicture(const CBitmap24& picture, std::optional<ColourRef> key)
{
    const uint64_t keyPixels = m_histogram.AddPicture(picture, key);
    if (keyPixels > 0 && std::find(m_keys.begin(), m_keys.end(), *key) == m_keys.end())
        m_keys.push_back(*key);
}

bool CAccurateQuantizer::ListedBefore(ColourRef a, ColourRef b)
{
    // Luma in the Rec. 601 weights, in integers.
    const auto luma = [](ColourRef c) { return 299 * RedOf(c) + 587 * GreenOf(c) + 114 * BlueOf(c); };
    return luma(a) != luma(b) ? luma(a) < luma(b) : a < b;
}

void CAccurateQuantizer::Compute()
{
    const std::vector<ColourCount> counted = m_histogram.Colours();
    std::vector<ColourRef> fixed;
    if (m_reserved)
        fixed.push_back(*m_reserved);
    const int32_t room = m_maxColours - static_cast<int32_t>(m_keys.size() + fixed.size());
    const bool needsEntry = std::any_of(counted.begin(), counted.end(), [&fixed](const ColourCount& c) {
        return std::find(fixed.begin(), fixed.end(), c.colour) == fixed.end();
    });
    if (room < 0 || (room == 0 && needsEntry))
        throw CFatalError("quantize: " + std::to_string(m_maxColours) + " palette entries leave no room for the pictures' colours beside " +
                          std::to_string(m_keys.size()) + " key colour(s)" + (m_reserved ? " and the reserved one" : ""));

    std::vector<ColourRef> chosen = UsedOnly(counted, fixed, CPaletteChooser(m_settings).Choose(counted, room, fixed));
    std::sort(chosen.begin(), chosen.end(), ListedBefore);
    m_colours = fixed;
    m_colours.insert(m_colours.end(), chosen.begin(), chosen.end());
    m_colourEntries = static_cast<int32_t>(m_colours.size());
    m_colours.insert(m_colours.end(), m_keys.begin(), m_keys.end());
    m_pNearest.reset();
    if (m_colourEntries > 0)
        m_pNearest = std::make_unique<CNearestEntry>(std::span(m_colours.data(), static_cast<size_t>(m_colourEntries)));
    m_computed = true;
}

std::vector<ColourRef> CAccurateQuantizer::UsedOnly(const std::vector<ColourCount>& counted,
                                                    const std::vector<ColourRef>& fixed,
                                                    const std::vector<ColourRef>& chosen) const
{
    std::vector<ColourRef> all = fixed;
    all.insert(all.end(), chosen.begin(), chosen.end());
    if (all.empty())
        return {};
    const CNearestEntry nearest(all);
    std::vector<bool> used(all.size(), false);
    for (const ColourCount& c : counted)
        used[nearest.Search(c.colour)] = true;
    std::vector<ColourRef> kept;
    for (size_t i = 0; i < chosen.size(); ++i)
        if (used[fixed.size() + i])
            kept.push_back(chosen[i]);
    return kept;
}

std::optional<uint8_t> CAccurateQuantizer::KeyIndex(ColourRef key) const
{
    const auto found = std::find(m_keys.begin(), m_keys.end(), key);
    if (!m_computed || found == m_keys.end())
        return std::nullopt;
    return static_cast<uint8_t>(m_colourEntries + (found - m_keys.begin()));
}

std::vector<uint8_t> CAccurateQuantizer::Reduce(const CBitmap24& picture, std::optional<ColourRef> key, bool diffuse)
{
    if (!m_computed)
        throw CFatalError("quantize: a picture reduced before the palette was computed");
    const std::optional<uint8_t> keyIndex = key ? KeyIndex(*key) : std::nullopt;
    const std::optional<PictureKey> pictureKey =
        keyIndex ? std::optional<PictureKey>(PictureKey{*key, *keyIndex}) : std::nullopt;
    if (!m_pNearest) {
        // Every pixel counted was a key pixel: so must this picture's be.
        std::vector<uint8_t> indices(static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()),
                                     keyIndex.value_or(0));
        for (int32_t y = 0; y < picture.Height(); ++y)
            for (int32_t x = 0; x < picture.Width(); ++x)
                if (!keyIndex || ColourOf(LoadPixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x)) != *key)
                    throw CFatalError("quantize: a picture holds colours that were not counted");
        return indices;
    }
    CPaletteDitherer ditherer(*m_pNearest, std::span(m_colours.data(), static_cast<size_t>(m_colourEntries)));
    return ditherer.Reduce(picture, pictureKey, diffuse);
}

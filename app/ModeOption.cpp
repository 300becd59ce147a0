// ModeOption.cpp — reading, writing and finding the command line's display modes.
#include "app/ModeOption.h"

#include <charconv>
#include <string_view>

#include "app/UsageError.h"
#include "platform/video/DisplayDevice.h"

namespace {

// Reads a decimal number of 1 to 9 digits from the front of `text` and moves past it.
std::optional<int32_t> TakeNumber(std::string_view& text)
{
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 9)
        return std::nullopt;
    int32_t value = 0;
    std::from_chars(text.data(), text.data() + digits, value);
    text.remove_prefix(digits);
    return value;
}

// Moves past `separator` at the front of `text`; false when it is not there.
bool TakeSeparator(std::string_view& text, char separator)
{
    if (text.empty() || text.front() != separator)
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

std::optional<DisplayMode> ParseModeText(const std::string& text)
{
    std::string_view rest = text;
    const std::optional<int32_t> width = TakeNumber(rest);
    if (!width || !TakeSeparator(rest, 'x'))
        return std::nullopt;
    const std::optional<int32_t> height = TakeNumber(rest);
    if (!height || !TakeSeparator(rest, 'x'))
        return std::nullopt;
    const std::optional<int32_t> depth = TakeNumber(rest);
    if (!depth)
        return std::nullopt;
    DisplayMode mode{*width, *height, *depth, 0};
    if (TakeSeparator(rest, '@')) {
        // A rate of 0 would read as "no rate given".
        const std::optional<int32_t> rate = TakeNumber(rest);
        if (!rate || *rate == 0)
            return std::nullopt;
        mode.refreshRate = *rate;
    }
    if (!rest.empty())
        return std::nullopt;
    return mode;
}

std::string ModeText(const DisplayMode& mode)
{
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about a chain of '+'.
    std::string text = std::to_string(mode.width);
    text.append("x").append(std::to_string(mode.height));
    text.append("x").append(std::to_string(mode.bitsPerPixel));
    if (mode.refreshRate > 0)
        text.append("@").append(std::to_string(mode.refreshRate));
    return text;
}

std::vector<DisplayMode> ListDisplayModes()
{
    std::vector<DisplayMode> modes;
    const CDisplayDevice lister;
    lister.EnumDisplayModes([&modes](const DisplayMode& mode) { modes.push_back(mode); });
    return modes;
}

DisplayMode FindListedMode(const DisplayMode& requested, const std::vector<DisplayMode>& listed)
{
    for (const DisplayMode& mode : listed) {
        const bool sameShape = mode.width == requested.width && mode.height == requested.height &&
                               mode.bitsPerPixel == requested.bitsPerPixel;
        if (sameShape && (requested.refreshRate == 0 || mode.refreshRate == requested.refreshRate))
            return mode;
    }
    std::string names;
    for (const DisplayMode& mode : listed)
        names += (names.empty() ? "" : ", ") + ModeText(mode);
    throw CUsageError("--mode " + ModeText(requested) + " is not a listed mode; the modes are: " +
                      (names.empty() ? "none" : names));
}

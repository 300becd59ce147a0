// PictureFolder.cpp — finding the user's pictures by name, reading them, and giving the
// transparent pixels of the ball and the paddle a key colour of their own.
#include "picturefiles/PictureFolder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "picturefiles/PictureFile.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/PngFile.h"

namespace fs = std::filesystem;

namespace {

// The three pictures: the names their files have, and the built-in each stands for.
struct Role {
    const char* fileName;
    const char* builtInName;
    bool takesFrames;   // the name may give a frame count
};
constexpr std::array<Role, 3> ROLES = {{{"background", "Background1", false},
                                        {"ball", "Ball1", true},
                                        {"paddle", "Paddle1", true}}};

// Where the search for a free key colour starts: magenta, the usual transparent colour of
// sprite art and far from most pictures' colours, so that the filter's blends of opaque
// pixels seldom land on it.
constexpr ColourRef PREFERRED_KEY = MakeColour(255, 0, 255);
constexpr uint32_t COLOUR_COUNT = 1u << 24;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// What a file's name makes of it: one of the pictures (its role's index) with the frame
// count its name gives (0: none), or nothing of tolmix's.
struct NameMeaning {
    int32_t role = -1;
    int32_t frames = 0;
};

// Reads "ball.png", "Ball-12.BMP" and the like; refuses a count the picture cannot take.
NameMeaning MeaningOf(const fs::path& path)
{
    const std::string name = Lower(path.filename().string());
    const std::string extension = Lower(path.extension().string());
    if (extension != ".png" && extension != ".bmp")
        return {};
    const std::string stem = name.substr(0, name.size() - extension.size());
    for (size_t i = 0; i < ROLES.size(); ++i) {
        const std::string role = ROLES[i].fileName;
        if (stem == role)
            return NameMeaning{static_cast<int32_t>(i), 0};
        if (stem.size() <= role.size() + 1 || stem.compare(0, role.size() + 1, role + "-") != 0)
            continue;
        const std::string count = stem.substr(role.size() + 1);
        if (!std::all_of(count.begin(), count.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
            continue;   // "ball-old.png": not a name of ours
        if (!ROLES[i].takesFrames)
            throw CPictureFileError(QuotedPath(path) + ": the background has one frame; its name takes no count");
        // Any number of digits: past three (leading zeros aside) it is out of range anyway.
        const std::string digits = count.substr(std::min(count.find_first_not_of('0'), count.size()));
        const int32_t frames = digits.size() > 3 ? CPictureFolder::MAX_FRAMES + 1 : digits.empty() ? 0 : std::stoi(digits);
        if (frames < 1 || frames > CPictureFolder::MAX_FRAMES)
            throw CPictureFileError(QuotedPath(path) + ": a frame count of " + count + " (1 to " +
                                    std::to_string(CPictureFolder::MAX_FRAMES) + " allowed)");
        return NameMeaning{static_cast<int32_t>(i), frames};
    }
    return {};
}

// Whether the file starts as a PNG does (only a PNG can hold transparent pixels).
bool StartsAsPng(const fs::path& path)
{
    std::array<char, 8> head{};
    std::ifstream file(path, std::ios::binary);
    file.read(head.data(), head.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(head.data());
    return file.gcount() == static_cast<std::streamsize>(head.size()) && IsPng(std::span(bytes, head.size()));
}

// The colour of pixel (x, y) as a 0x00BBGGRR value.
ColourRef ColourAt(const CBitmap24& picture, int32_t x, int32_t y)
{
    const uint8_t* p = picture.Bits() + static_cast<size_t>(y) * static_cast<size_t>(picture.Stride()) + 3 * size_t(x);
    return MakeColour(p[2], p[1], p[0]);
}

void SetColourAt(CBitmap24& picture, int32_t x, int32_t y, ColourRef colour)
{
    uint8_t* p = picture.Bits() + static_cast<size_t>(y) * static_cast<size_t>(picture.Stride()) + 3 * size_t(x);
    p[0] = BlueOf(colour);
    p[1] = GreenOf(colour);
    p[2] = RedOf(colour);
}

// Gives the transparent pixels of `keyedBlack` (the picture read with its transparent
// pixels black; in `keyedWhite` they are white, so a pixel that differs between the two is
// transparent) a colour that no opaque pixel has, and returns it; nullopt, with the
// picture untouched, when no pixel is transparent. The key is thus a colour of its own:
// every opaque pixel stays drawn, also one of the colour the top-left pixel would key.
std::optional<ColourRef> KeyTransparentPixels(CBitmap24& keyedBlack, const CBitmap24& keyedWhite,
                                              const fs::path& path)
{
    std::vector<uint64_t> used(COLOUR_COUNT / 64, 0);
    bool anyTransparent = false;
    for (int32_t y = 0; y < keyedBlack.Height(); ++y)
        for (int32_t x = 0; x < keyedBlack.Width(); ++x) {
            const ColourRef colour = ColourAt(keyedBlack, x, y);
            if (colour != ColourAt(keyedWhite, x, y))
                anyTransparent = true;
            else
                used[colour / 64] |= uint64_t{1} << (colour % 64);
        }
    if (!anyTransparent)
        return std::nullopt;

    std::optional<ColourRef> key;
    for (uint32_t step = 0; step < COLOUR_COUNT && !key; ++step) {
        const ColourRef candidate = (PREFERRED_KEY + COLOUR_COUNT - step) % COLOUR_COUNT;
        if ((used[candidate / 64] & (uint64_t{1} << (candidate % 64))) == 0)
            key = candidate;
    }
    if (!key)
        throw CPictureFileError(QuotedPath(path) +
                                ": its opaque pixels use every colour, so none is left to key its transparent ones");
    for (int32_t y = 0; y < keyedBlack.Height(); ++y)
        for (int32_t x = 0; x < keyedBlack.Width(); ++x)
            if (ColourAt(keyedBlack, x, y) != ColourAt(keyedWhite, x, y))
                SetColourAt(keyedBlack, x, y, *key);
    return key;
}

// Reads one picture as its role wants it: the background opaque (alpha dropped), the
// ball and the paddle keyed by their transparent pixels where they have any.
OwnPicture ReadOwnPicture(const fs::path& path, const Role& role, int32_t frames)
{
    OwnPicture own;
    own.path = path;
    own.frames = frames;
    if (!role.takesFrames) {
        own.opaque = true;
        own.picture = ReadPicture(path);
        return own;
    }
    own.picture = ReadPicture(path, PictureFormats::PngOrBmp, MakeColour(0, 0, 0));
    if (StartsAsPng(path)) {
        const std::unique_ptr<CBitmap24> keyedWhite =
            ReadPicture(path, PictureFormats::PngOrBmp, MakeColour(255, 255, 255));
        own.alphaKey = KeyTransparentPixels(*own.picture, *keyedWhite, path);
    }
    return own;
}

} // namespace

CPictureFolder::CPictureFolder(const fs::path& folder)
{
    // Sorted, so that which of two files for one picture is named first does not depend on
    // the order the folder lists them in.
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file())
            files.push_back(it->path());
    if (error)
        throw CPictureFileError("cannot list the folder " + QuotedPath(folder) + ": " + error.message());
    std::sort(files.begin(), files.end());

    std::array<std::optional<fs::path>, ROLES.size()> found;
    std::array<int32_t, ROLES.size()> frames{};
    for (const fs::path& file : files) {
        const NameMeaning meaning = MeaningOf(file);
        if (meaning.role < 0)
            continue;
        std::optional<fs::path>& first = found[static_cast<size_t>(meaning.role)];
        if (first)
            throw CPictureFileError(QuotedPath(*first) + " and " + QuotedPath(file) + " are both the " +
                                    ROLES[static_cast<size_t>(meaning.role)].fileName + "; keep one of them");
        first = file;
        frames[static_cast<size_t>(meaning.role)] = meaning.frames;
    }
    for (size_t i = 0; i < ROLES.size(); ++i)
        if (found[i])
            m_pictures[i] = ReadOwnPicture(*found[i], ROLES[i], frames[i]);
}

int32_t CPictureFolder::IndexOf(std::string_view builtInName)
{
    const std::string wanted = Lower(std::string(builtInName));
    for (size_t i = 0; i < ROLES.size(); ++i)
        if (wanted == Lower(ROLES[i].builtInName))
            return static_cast<int32_t>(i);
    return -1;
}

std::optional<OwnPicture> CPictureFolder::Take(std::string_view builtInName)
{
    const int32_t index = IndexOf(builtInName);
    if (index < 0)
        return std::nullopt;
    std::optional<OwnPicture> taken = std::move(m_pictures[static_cast<size_t>(index)]);
    m_pictures[static_cast<size_t>(index)].reset();
    return taken;
}

void CPictureFolder::CheckWholeFrames(std::string_view builtInName, int32_t frames) const
{
    const int32_t index = IndexOf(builtInName);
    if (index < 0 || !m_pictures[static_cast<size_t>(index)])
        return;
    const OwnPicture& own = *m_pictures[static_cast<size_t>(index)];
    const int32_t count = own.frames > 0 ? own.frames : frames;
    if (count > 0 && own.picture->Height() % count != 0)
        throw CPictureFileError(QuotedPath(own.path) + ": its height of " + std::to_string(own.picture->Height()) +
                                " pixels is not a whole number of " + std::to_string(count) + " frames");
}

int32_t CPictureFolder::Count() const
{
    return static_cast<int32_t>(std::count_if(m_pictures.begin(), m_pictures.end(),
                                              [](const std::optional<OwnPicture>& own) { return own.has_value(); }));
}

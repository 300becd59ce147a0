// PictureFolder.h — the user's own pictures (tolmix --pictures DIR), standing in for the
// built-in ones.
//
// Only files ending in .png or .bmp (any letter case) are looked at, and of those only
// the names of the three pictures; every other file is left alone:
//
//     background.png | background.bmp     the background: one frame, drawn opaque
//     ball.png | ball-N.png (or .bmp)      the ball, with N frames (1 to 50) if N is given
//     paddle.png | paddle-N.png (or .bmp)  the paddle, likewise
//
// Names compare without regard to letter case. Two files for one picture, a frame count
// out of range and a background with a count are refused, as is any picture the reader
// refuses (damaged, empty, over its size limits). The pictures are read whole when the
// folder is; what depends on the display mode (the frames' sizes) is checked when the
// sprite loads, except that CheckWholeFrames can tell the frames' height beforehand.
//
// Keys: the ball and the paddle from a picture with fully transparent pixels (a PNG whose
// alpha is 0 there) are keyed by exactly those pixels; the transparent pixels take a
// colour that no other pixel of the picture has (alphaKey). Without such pixels the key is
// the built-in's: the top-left pixel. The background has no key at all (opaque).
//
//     CPictureFolder folder("my-pictures");
//     std::optional<OwnPicture> ball = folder.Take("Ball1");
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

// One of the user's pictures, read and ready to load.
struct OwnPicture {
    std::filesystem::path path;           // the file, for messages
    int32_t frames = 0;                   // the count its name gives; 0: none given
    bool opaque = false;                  // drawn with no key at all (the background)
    std::optional<ColourRef> alphaKey;    // the colour its transparent pixels were given
    std::unique_ptr<CBitmap24> picture;
};

class CPictureFolder {
public:
    // The most frames a name may give (a sprite holds at most this many).
    static constexpr int32_t MAX_FRAMES = 50;

    // Finds and reads the folder's pictures. Throws CPictureFileError, one line naming the
    // file and what is wrong, for the first picture refused (or a folder it cannot list).
    explicit CPictureFolder(const std::filesystem::path& folder);

    // The picture standing for the built-in one of that name ("Background1", "Ball1",
    // "Paddle1"; letter case ignored), handed over once; nullopt when the folder has none.
    std::optional<OwnPicture> Take(std::string_view builtInName);

    // Refuses (CPictureFileError naming the file) the picture standing for the built-in
    // one of that name when its height is not a whole number of its frames: the count its
    // name gives, else `frames`. Nothing when the folder has no such picture.
    void CheckWholeFrames(std::string_view builtInName, int32_t frames) const;

    // How many pictures are still to take.
    int32_t Count() const;

private:
    // The index of the picture standing for the built-in name, or -1 for another name.
    static int32_t IndexOf(std::string_view builtInName);

    std::array<std::optional<OwnPicture>, 3> m_pictures;   // background, ball, paddle
};

// PictureFileError.h — the error every picture file reader and writer raises, and the size
// check every reader makes of a declared picture before anything is allocated.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

// A picture file that cannot be read or written; the message says which and why.
class CPictureFileError : public std::runtime_error {
public:
    explicit CPictureFileError(const std::string& message) : std::runtime_error(message) {}
};

// The path in quotes, for messages. (Built by appending: GCC 12 warns falsely about
// "'" + std::string.)
inline std::string QuotedPath(const std::filesystem::path& path)
{
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

// Refuses a picture a header declares when it has no pixels or is too large to handle.
inline void CheckDeclaredSize(const char* format, int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        throw CPictureFileError(std::string("a ") + format + " picture of " + std::to_string(width) + "x" +
                                std::to_string(height) + " pixels has none");
    try {
        CheckedImageBytes(width, height, "picture");
    } catch (const CFatalError& tooLarge) {
        throw CPictureFileError(tooLarge.what());
    }
}

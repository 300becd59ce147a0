// PictureResources.cpp — built-in pictures by name, or BMP files by path, decoded by the
// picture files' one reader.
#include "picturefiles/PictureResources.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "picturefiles/PictureFile.h"
#include "picturefiles/EmbeddedPictures.h"

namespace {

// Resource names compare without regard to letter case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The picture the reader makes of a BMP file, or null where it refuses the file (with the
// reader's reason, after `where`, in `why` when given).
template <typename Read>
std::unique_ptr<CBitmap24> BmpOrNull(Read&& read, const std::string& where, std::string* why)
{
    try {
        return read();
    } catch (const CPictureFileError& error) {
        if (why != nullptr)
            *why = where + error.what();
        return nullptr;
    }
}

} // namespace

std::unique_ptr<CBitmap24> LoadPicture(std::string_view name, std::string* why)
{
    if (why != nullptr)
        why->clear();
    for (const EmbeddedPicture& picture : EmbeddedPictures())
        if (SameNameIgnoringCase(picture.name, name))
            return BmpOrNull(
                [&] {
                    return DecodePicture(
                        std::span(reinterpret_cast<const uint8_t*>(picture.bytes.data()), picture.bytes.size()),
                        PictureFormats::BmpOnly);
                },
                "built-in picture '" + std::string(picture.name) + "': ", why);
    // A name that is neither a built-in picture nor a file is missing; a file that is there
    // but refused is damaged or no BMP, as the reader says.
    std::error_code unknown;
    if (name.empty() || !std::filesystem::exists(std::string(name), unknown)) {
        if (why != nullptr)
            *why = "no picture or BMP file named '" + std::string(name) + "'";
        return nullptr;
    }
    return BmpOrNull([&] { return ReadPicture(std::string(name), PictureFormats::BmpOnly); }, "", why);
}

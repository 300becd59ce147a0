// EmbeddedPictures.h — the BMP files of res/, compiled into the program.
//
// The source that defines EmbeddedPictures() is generated at build time from the files
// themselves (cmake/EmbedPictures.cmake), so a changed picture is embedded again.
#pragma once

#include <span>
#include <string_view>

struct EmbeddedPicture {
    std::string_view name;    // the resource name, in capitals: "BACKGROUND1"
    std::string_view bytes;   // the whole BMP file
};

// Every built-in picture.
std::span<const EmbeddedPicture> EmbeddedPictures();

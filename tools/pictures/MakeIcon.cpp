// MakeIcon.cpp — tolmix-make-icon: writes the program's icon, the ball, at one size.
//
//     tolmix-make-icon SIZE FILE.png
//
// SIZE is 16 to 512 pixels; the build writes the 48, 128 and 256 pixel icons that are
// installed in the hicolor theme. Every run writes the same bytes.
#include "BallPainter.h"

#include <charconv>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr int EXIT_USAGE = 2;

const char* const USAGE = "usage: tolmix-make-icon SIZE FILE.png (SIZE from 16 to 512)";

// The size given, if it is a whole number of pixels the icon may have.
std::optional<int32_t> ParseSize(const std::string& text)
{
    int32_t size = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (error != std::errc() || end != text.data() + text.size() || size < CIconCanvas::MIN_SIZE ||
        size > CIconCanvas::MAX_SIZE)
        return std::nullopt;
    return size;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<int32_t> size = argc == 3 ? ParseSize(argv[1]) : std::nullopt;
    if (!size) {
        std::cerr << USAGE << '\n';
        return EXIT_USAGE;
    }
    try {
        CBallPainter().PaintIcon(*size).WritePng(argv[2]);
    } catch (const std::exception& failure) {
        std::cerr << "tolmix-make-icon: " << failure.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

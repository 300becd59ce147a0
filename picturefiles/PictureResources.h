// PictureResources.h — the program's pictures by name.
//
// The pictures in res/ are compiled into the program. LoadPicture finds one by its name,
// ignoring letter case ("Background1" finds BACKGROUND1); when no picture has the name, it
// reads the BMP file whose path is exactly the name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/bitmaps/Bitmap24.h"

// The picture, or null when neither a built-in picture nor a readable BMP file has the name;
// then `why`, when given, says why in one phrase: that nothing has the name, or what the
// reader found wrong with the picture that has it ("damaged" and how, or not a BMP).
std::unique_ptr<CBitmap24> LoadPicture(std::string_view name, std::string* why = nullptr);

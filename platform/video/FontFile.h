// FontFile.h — where the program's fonts are: the files of the font package it depends on,
// or fontconfig's answer for a name when those are missing.
#pragma once

#include <string>

struct FontFile {
    std::string path;   // empty when no font was found
    int index = 0;      // the face within a collection file
};

// The file of the font package (fonts-dejavu-core) for a family the program uses
// ("sans-serif", "monospace"), or an empty path for another family.
FontFile PackagedFontFile(const std::string& name);

// The font for a name or family: the packaged file when it is there, since fontconfig's
// reading of its configuration is slow and does not survive a failed allocation; otherwise
// the file fontconfig gives.
FontFile FindFontFile(const std::string& name);

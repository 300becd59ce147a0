// FontFile.h — where the desktop keeps a font: fontconfig's answer for a name.
#pragma once

#include <string>

struct FontFile {
    std::string path;   // empty when fontconfig found nothing
    int index = 0;      // the face within a collection file
};

// The file fontconfig would give for a font name or family ("sans-serif", "monospace").
FontFile FindFontFile(const std::string& name);

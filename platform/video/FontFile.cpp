// FontFile.cpp — the packaged fonts first, fontconfig's match for a name after them.
#include "platform/video/FontFile.h"

#include <unistd.h>

#include <fontconfig/fontconfig.h>

namespace {

// Where fonts-dejavu-core puts the faces the program uses.
constexpr const char* PACKAGED_SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* PACKAGED_MONOSPACE = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// fontconfig's match for a name; an empty path when it finds none.
FontFile MatchedFontFile(const std::string& name)
{
    FontFile found;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr)
        return found;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
    if (pattern != nullptr) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcChar8* file = nullptr;
        if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            found.path = reinterpret_cast<const char*>(file);
            FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
        }
        if (match != nullptr)
            FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

} // namespace

FontFile PackagedFontFile(const std::string& name)
{
    FontFile file;
    if (name == "sans-serif")
        file.path = PACKAGED_SANS;
    else if (name == "monospace")
        file.path = PACKAGED_MONOSPACE;
    return file;
}

FontFile FindFontFile(const std::string& name)
{
    const FontFile packaged = PackagedFontFile(name);
    if (!packaged.path.empty() && access(packaged.path.c_str(), R_OK) == 0)
        return packaged;
    return MatchedFontFile(name);
}

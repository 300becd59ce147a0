// PictureReaderFuzz.cpp — libFuzzer target: any bytes through the picture reader's entry
// points, which must agree.
//
// The bytes are decoded from memory (DecodePicture), read back as a file by tolmix-image's
// reader (ReadPicture) and by the program's loader (LoadPicture, BMP files only). All must
// accept or refuse together, with the same pixels, and an accepted picture is never empty.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "picturefiles/BmpFile.h"
#include "picturefiles/PictureFile.h"
#include "picturefiles/PictureResources.h"
#include "platform/bitmaps/Bitmap24.h"

namespace {

// Where each input is written for the file readers: one file per fuzzing process.
const std::string& InputPath()
{
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("tolmix-fuzz-picture-" + std::to_string(getpid()))).string();
    return path;
}

void WriteInput(std::span<const uint8_t> bytes)
{
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    FuzzCheck(file != nullptr, "cannot write the input file");
    FuzzCheck(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(), "cannot write the input file");
    FuzzCheck(std::fclose(file) == 0, "cannot write the input file");
}

// The picture, or null where the reader refuses it.
template <typename Read>
std::unique_ptr<CBitmap24> ReadOrNull(Read&& read)
{
    try {
        return read();
    } catch (const CPictureFileError&) {
        return nullptr;
    }
}

bool SamePicture(const CBitmap24* a, const CBitmap24* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    return a->Width() == b->Width() && a->Height() == b->Height() && a->ByteCount() == b->ByteCount() &&
           std::equal(a->Bits(), a->Bits() + a->ByteCount(), b->Bits());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const auto fromMemory = ReadOrNull([&] { return DecodePicture(bytes); });
    WriteInput(bytes);
    const auto fromFile = ReadOrNull([&] { return ReadPicture(InputPath()); });
    const auto program = LoadPicture(InputPath());

    FuzzCheck(SamePicture(fromMemory.get(), fromFile.get()), "memory and file readers disagree");
    FuzzCheck(SamePicture(program.get(), CBmpReader::HasSignature(bytes) ? fromMemory.get() : nullptr),
              "the program's loader and the reader disagree");
    if (fromMemory != nullptr)
        FuzzCheck(fromMemory->Width() > 0 && fromMemory->Height() > 0, "an empty picture was accepted");
    return 0;
}

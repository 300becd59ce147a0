# EmbedPictures.cmake — writes a C++ source that holds the program's pictures, so that the
# program needs no files at run time.
#
#   cmake -DOUTPUT=<file.cpp> -DPICTURES=<NAME=path;NAME=path;...> -P EmbedPictures.cmake
#
# Each picture becomes a string literal of escaped bytes (compilers take those far faster
# than a list of numbers), listed by name for EmbeddedPictures() (picturefiles/EmbeddedPictures.h).
cmake_minimum_required(VERSION 3.25)

if(NOT OUTPUT OR NOT PICTURES)
    message(FATAL_ERROR "EmbedPictures.cmake needs -DOUTPUT=<file> and -DPICTURES=<NAME=path;...>")
endif()

set(literals "")
set(entries "")
foreach(picture IN LISTS PICTURES)
    string(REGEX MATCH "^([A-Za-z0-9_]+)=(.+)$" matched "${picture}")
    if(NOT matched)
        message(FATAL_ERROR "EmbedPictures.cmake: '${picture}' is not NAME=path")
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(path "${CMAKE_MATCH_2}")
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "EmbedPictures.cmake: no picture file '${path}'")
    endif()
    file(SIZE "${path}" size)
    file(READ "${path}" hex HEX)
    # Each byte as \xNN, 32 to a line (CMake's regular expressions have no {n}).
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
    string(REPEAT "\\\\x[0-9a-f][0-9a-f]" 32 line)
    string(REGEX REPLACE "(${line})" "\\1\"\n    \"" escaped "${escaped}")
    string(APPEND literals "// ${name}: ${size} bytes\nconstexpr char ${name}_BYTES[] =\n    \"${escaped}\";\n\n")
    string(APPEND entries "        {\"${name}\", std::string_view(${name}_BYTES, ${size})},\n")
endforeach()

set(source "// Generated from the pictures in res/ by cmake/EmbedPictures.cmake: do not edit.
#include \"picturefiles/EmbeddedPictures.h\"

namespace {

${literals}} // namespace

std::span<const EmbeddedPicture> EmbeddedPictures()
{
    static constexpr EmbeddedPicture pictures[] = {
${entries}    };
    return pictures;
}
")

# Rewrite only on a change, so an unchanged picture does not cause a rebuild.
file(CONFIGURE OUTPUT "${OUTPUT}.new" CONTENT "${source}" @ONLY)
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")

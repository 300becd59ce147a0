#!/usr/bin/env bash
# check-layers-test.sh ROOT — shows that scripts/check-layers.sh catches a wrong include.
#
# Copies the tree's sources and top-level folders to a scratch folder, checks that the copy
# passes, then plants one wrong include at a time (each rule the layers stand on: project
# folders quoted and in angle brackets, each outside library, unknown headers, files and
# folders outside the table) and checks that the script fails and names the file or folder.
# Exits 1 on the first plant that goes unnoticed.
set -euo pipefail

root=${1:?usage: check-layers-test.sh ROOT}
checker=$root/scripts/check-layers.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$root" && find . \( -path ./.git -o -path ./build -o -path ./out -o -path ./.cache \) -prune \
     -o \( -type d -o -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' \) \
     -print0 | tar -c --null --no-recursion -T - -f -) | tar -x -C "$scratch" -f -

if ! "$checker" "$scratch" >/dev/null; then
    echo "FAIL: the unchanged copy of the tree does not pass"
    "$checker" "$scratch" || true
    exit 1
fi

# file | include line planted at its end
plants=(
    'imaging/BitmapRescaler.cpp     | #include <SDL.h>'
    'imaging/Quantizer.h            | #include <imgui.h>'
    'imaging/Ditherer.cpp           | #include "picturefiles/PictureFile.h"'
    'platform/bitmaps/Bitmap24.cpp  | #include <SDL_surface.h>'
    'platform/bitmaps/Rect.h        | #include "platform/video/Surface.h"'
    'platform/video/Surface.cpp     | #include "game/Game.h"'
    'platform/video/Presenter.h     | #include "sprites/Sprite.h"'
    'platform/framework/ToolBar.cpp | #include "app/GameApp.h"'
    'platform/dialogs/ModalDialog.h | #include "display/Screen.h"'
    'platform/video/TextFont.cpp    | #include "platform/framework/Application.h"'
    'game/Game.cpp                  | #include <SDL.h>'
    'game/Ball.h                    | #include "SDL2/SDL_events.h"'
    'game/Paddle.cpp                |   #  include <SDL_timer.h>'
    'display/Screen.cpp             | #include <SDL.h>'
    'picturefiles/PictureFile.cpp   | #include "imaging/Quantizer.h"'
    'platform/video/DisplayDevice.cpp | #include "picturefiles/PictureResources.h"'
    'display/Screen.cpp             | #include "sprites/Sprite.h"'
    'imaging/Ditherer.cpp           | #include <display/Screen.h>'
    'platform/bitmaps/Rect.h        | #include <platform/video/Surface.h>'
    'game/Ball.cpp                  | #include "SDL.h"'
    'platform/bitmaps/Bitmap24.cpp  | #include <spng.h>'
    'imaging/Quantizer.cpp          | #include <gif_lib.h>'
    'display/Screen.cpp             | #include <SDL_ttf.h>'
    'platform/framework/ToolBar.cpp | #include <fontconfig/fontconfig.h>'
    'imaging/BitmapRescaler.cpp     | #include <stb_image.h>'
    'game/Game.cpp                  | #include <CLI/CLI.hpp>'
    'app/GameApp.cpp                | #include <gtest/gtest.h>'
    'tests/game/GameTest.cpp        | #include <benchmark/benchmark.h>'
    'bench/ColourBench.cpp          | #include "app/GameApp.h"'
    'fuzz/RescaleFuzz.cpp           | #include <spng.h>'
    'picturefiles/PngFile.cpp       | #include "TolmixVersion.h"'
    'sprites/Sprite.cpp             | #include <boost/optional.hpp>'
    'docs/Notes.cpp                 | #include "imaging/Quantizer.h"'
)

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }

caught=0
for plant in "${plants[@]}"; do
    file=$(trim "${plant%%|*}")
    line=$(trim "${plant#*|}")
    touch "$scratch/$file"
    cp "$scratch/$file" "$scratch/$file.orig"
    printf '%s\n' "$line" >> "$scratch/$file"
    if output=$("$checker" "$scratch"); then
        echo "FAIL: '$line' in $file went unnoticed"
        exit 1
    fi
    if ! grep -q "^$file:[0-9]*: " <<<"$output"; then
        echo "FAIL: '$line' in $file failed the check without naming the file:"
        echo "$output"
        exit 1
    fi
    mv "$scratch/$file.orig" "$scratch/$file"
    [ -s "$scratch/$file" ] || rm "$scratch/$file"
    caught=$((caught + 1))
done

# The standard library, the system's headers and the intrinsics pass in every folder, as
# does a folder's own header in angle brackets.
for line in '#include <vector>' '#include <stdio.h>' '#include <sys/mman.h>' '#include <unistd.h>' \
            '#include <immintrin.h>' '#include <platform/bitmaps/Rect.h>'; do
    cp "$scratch/platform/bitmaps/Rect.h" "$scratch/Rect.h.orig"
    printf '%s\n' "$line" >> "$scratch/platform/bitmaps/Rect.h"
    if ! output=$("$checker" "$scratch"); then
        echo "FAIL: '$line' in platform/bitmaps/Rect.h was refused:"
        echo "$output"
        exit 1
    fi
    mv "$scratch/Rect.h.orig" "$scratch/platform/bitmaps/Rect.h"
done

# A source file or a folder that no row of the table holds fails until it is added.
for plant in 'extras/Helper.cpp' 'platform/Loose.h' 'notes/'; do
    top=${plant%%/*}
    if [ -d "$scratch/$top" ]; then made=$scratch/$plant; else made=$scratch/$top; fi
    case $plant in
        */) mkdir -p "$scratch/$plant" ;;
        *) mkdir -p "$scratch/$(dirname "$plant")"; echo '#include <vector>' > "$scratch/$plant" ;;
    esac
    if output=$("$checker" "$scratch"); then
        echo "FAIL: $plant outside the table went unnoticed"
        exit 1
    fi
    if ! grep -q -e "^$plant: " -e "^$top/: " <<<"$output"; then
        echo "FAIL: $plant failed the check without being named:"
        echo "$output"
        exit 1
    fi
    rm -r "$made"
    caught=$((caught + 1))
done

echo "check-layers-test: all $caught planted wrong includes and folders were caught"

#!/usr/bin/env bash
# check-layers-test.sh ROOT — shows that scripts/check-layers.sh catches a wrong include.
#
# Copies the tree's sources to a scratch folder, checks that the copy passes, then plants one
# wrong include at a time (each rule the layers stand on) and checks that the script fails and
# names the file and the include. Exits 1 on the first plant that goes unnoticed.
set -euo pipefail

root=${1:?usage: check-layers-test.sh ROOT}
checker=$root/scripts/check-layers.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$root" && find app game sprites display imaging picturefiles platform tools \
     \( -name '*.h' -o -name '*.cpp' \) -print0 | tar -c --null -T - -f -) | tar -x -C "$scratch" -f -

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
)

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; echo "${s%"${s##*[![:space:]]}"}"; }

caught=0
for plant in "${plants[@]}"; do
    file=$(trim "${plant%%|*}")
    line=$(trim "${plant#*|}")
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
    caught=$((caught + 1))
done
echo "check-layers-test: all $caught planted wrong includes were caught"

#!/usr/bin/env bash
# own-pictures.sh — makes the README's example folder for `tolmix --pictures`,
# docs/own-pictures/, from the project's own tools, and its screenshot, docs/own-pictures.png:
#   background.png  the built-in background at half size, reduced to 6 colours (tolmix-image)
#   ball-1.png      the program's icon, the ball at 128 px with alpha (tolmix-make-icon): one
#                   frame, keyed by its transparent pixels
#   paddle.png      the built-in paddle strip (30 frames) reduced to 8 colours, its top-left
#                   colour written as transparent (an indexed PNG with tRNS)
#
#     docs/own-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
cmake --build --preset release --target tolmix tolmix-image tolmix-make-icon >/dev/null
bin=build/release
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

folder=docs/own-pictures
rm -rf "$folder"
mkdir -p "$folder"
"$bin/tools/image/tolmix-image" resize res/BACKGROUND1.bmp "$work/background.png" 320 240
"$bin/tools/image/tolmix-image" quantize --colours 6 --no-dither "$work/background" "$work/background.png"
cp "$work/background/background.png" "$folder/background.png"
"$bin/tools/pictures/tolmix-make-icon" 128 "$folder/ball-1.png"
"$bin/tools/image/tolmix-image" quantize --colours 8 --key auto "$work/paddle" res/PADDLE1.bmp
cp "$work/paddle/PADDLE1.png" "$folder/paddle.png"

"$bin/app/tolmix" --headless --window --mode 640x480x32 --frames 120 --fixed-step 16 \
    --pictures "$folder" --screenshot docs/own-pictures.png
ls -l "$folder" docs/own-pictures.png

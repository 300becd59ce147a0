#!/usr/bin/env bash
# recipe.sh — runs the README's tolmix-image recipe (three sprite strips, one shared palette,
# indexed PNGs and a GIMP palette) and makes docs/recipe.png from the files it wrote: every
# fifth frame of each strip over a checkerboard, so the transparent key shows as such, and a
# swatch of each palette.gpl colour below. Needs ImageMagick (installed when missing).
#
#     docs/recipe.sh [OUT.png]        (default docs/recipe.png)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs/recipe.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! /usr/bin/convert -version 2>/dev/null | grep -q ImageMagick; then
    sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends imagemagick >/dev/null
fi
convert=/usr/bin/convert
make tools >/dev/null

# --- the recipe, as the README gives it (its out/ is the scratch folder here) --------------------
export PATH="$PWD/build/release/tools/image:$PATH"
(
    cd "$work"
    ln -s "$OLDPWD/res" res
    mkdir -p out
    tolmix-image resize --filter lanczos3 --key FF00FF res/BALL1.bmp out/ball-small.png 20 600
    tolmix-image quantize --colours 16 --key FF00FF --palette-format gpl \
        out/sprites res/BALL1.bmp res/PADDLE1.bmp out/ball-small.png
)

# --- the sheet -----------------------------------------------------------------------------------

# strip_row PNG FRAME_WIDTH FRAME_HEIGHT ROW.png — frames 0, 5, …, 25 side by side, doubled.
strip_row() {
    local png=$1 width=$2 height=$3 row=$4 frames=()
    for frame in 0 5 10 15 20 25; do
        frames+=("(" "$png" -crop "${width}x${height}+0+$((frame * height))" +repage -scale 200% -bordercolor none -border 6 ")")
    done
    "$convert" -background none "${frames[@]}" +append "$row"
}
strip_row "$work/out/sprites/BALL1.png" 40 40 "$work/ball.png"
strip_row "$work/out/sprites/PADDLE1.png" 160 60 "$work/paddle.png"
strip_row "$work/out/sprites/ball-small.png" 20 20 "$work/small.png"

# One 24-pixel swatch per colour line of the GIMP palette ("R G B<tab>name").
swatches=()
while read -r red green blue _; do
    swatches+=("(" -size 24x24 "xc:rgb($red,$green,$blue)" -bordercolor none -border 3 ")")
done < <(grep -E '^ *[0-9]+ +[0-9]+ +[0-9]+' "$work/out/sprites/palette.gpl")
"$convert" -background none "${swatches[@]}" +append "$work/palette.png"

"$convert" -background none "$work/ball.png" "$work/paddle.png" "$work/small.png" "$work/palette.png" \
    -gravity west -append -bordercolor none -border 8 "$work/sheet.png"
size=$("$convert" "$work/sheet.png" -format '%wx%h' info:)
"$convert" -size "$size" tile:pattern:checkerboard "$work/sheet.png" -composite -strip \
    -define png:exclude-chunks=date,time "$out"
echo "$out"

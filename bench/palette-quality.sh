#!/usr/bin/env bash
# Quality and speed of `tolmix-image quantize` against the field's tools, on three sets of
# pictures, each given one shared palette of N = 16, 64 and 256 entries:
#   program  — the program's three pictures (res/*.bmp);
#   photo    — three photo-like pictures, ImageMagick's plasma:fractal with fixed seeds;
#   pixelart — three pixel-art pictures of 12 colours in all, made here.
# Each set is reduced by tolmix-image (its default, accurate method, and --method program
# with --key 000001, a colour none of the pictures holds, for reference), by ImageMagick
# with a shared palette (every picture's pixels laid one after another as one picture, so
# that no padding colour joins them, reduced with -colors N -unique-colors to one palette
# of N, then each picture -remap'ped to it) and by pngquant (per picture, its own
# palette of N: for reference only, as it shares nothing).
#
# Reported per set, N and tool: the RMSE over all the set's pixels (0..255 units) against
# the originals without dithering, and with dithering after a Gaussian blur (sigma 1) of
# both, which is how far the dithered picture is from the original as the eye averages it.
# Times are whole commands (tolmix-image's one quantize; ImageMagick's palette command and
# its remaps, the picture of all pixels made beforehand and not timed), run alternately, median of RUNS.
#
#     bench/palette-quality.sh [RUNS]      (default 5)
#
# Installs ImageMagick and pngquant with apt-get when they are missing. Not run by CI.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
tool=$PWD/build/release/tools/image/tolmix-image
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

need=()
/usr/bin/convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
command -v pngquant >/dev/null || need+=(pngquant)
if [[ ${#need[@]} -gt 0 ]]; then
    sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null
fi
convert=/usr/bin/convert   # by path: a stand-in of that name may come first on PATH
compare=/usr/bin/compare
make tools >/dev/null

# --- the sets ----------------------------------------------------------------------------------
mkdir -p "$work/program" "$work/photo" "$work/pixelart"
for name in BACKGROUND1 BALL1 PADDLE1; do
    "$convert" "res/$name.bmp" "$work/program/$name.png"
done
for seed in 1 2 3; do
    "$convert" -seed "$seed" -size 320x240 plasma:fractal "$work/photo/plasma$seed.png"
done
# Pixel art: blocks of 4 × 4 pixels, each one of 12 fixed colours chosen by a hash of the
# block, written as a plain PPM and converted.
pixel_art() {
    local width=$1 height=$2 seed=$3 out=$4
    awk -v w="$width" -v h="$height" -v s="$seed" 'BEGIN {
        split("20 12 28 68 36 52 48 52 109 78 74 78 133 76 48 52 101 36 208 70 72 117 113 97 89 125 206 210 125 44 133 149 161 109 170 44", c, " ")
        printf "P3\n%d %d\n255\n", w, h
        for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
            k = (int(x / 4) * 7 + int(y / 4) * 13 + s * 5 + int(x / 4) * int(y / 4)) % 12
            printf "%d %d %d\n", c[3 * k + 1], c[3 * k + 2], c[3 * k + 3]
        }
    }' >"$out.ppm"
    "$convert" "$out.ppm" "$out.png"
    rm "$out.ppm"
}
pixel_art 96 64 1 "$work/pixelart/art1"
pixel_art 128 48 2 "$work/pixelart/art2"
pixel_art 64 64 3 "$work/pixelart/art3"

# --- measuring ---------------------------------------------------------------------------------

# rmse REFERENCE... -- REDUCED... : the RMSE over all pixels of the pairs, in 0..255 units.
rmse_of() {
    local -a refs=() outs=()
    while [[ $1 != -- ]]; do refs+=("$1"); shift; done
    shift
    outs=("$@")
    local total=0 pixels=0 i
    for i in "${!refs[@]}"; do
        local normalised n
        # compare prints "ABSOLUTE (NORMALISED)" on stderr and exits 1 when the pictures differ.
        normalised=$("$compare" -metric RMSE "${refs[$i]}" "${outs[$i]}" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/') || true
        n=$("$convert" "${refs[$i]}" -format '%[fx:w*h]' info:)
        total=$(awk -v t="$total" -v r="$normalised" -v n="$n" 'BEGIN { printf "%.10f", t + n * (r * 255) ^ 2 }')
        pixels=$((pixels + n))
    done
    awk -v t="$total" -v n="$pixels" 'BEGIN { printf "%.2f", sqrt(t / n) }'
}

# blurred FILE...: the files blurred (sigma 1), kept apart in blur/; prints their names.
blurred() {
    local file copy
    mkdir -p "$work/blur"
    for file in "$@"; do
        copy=$work/blur/$(echo "${file#"$work"/}" | tr / _)
        "$convert" "$file" -alpha off -gaussian-blur 0x1 "$copy"
        echo "$copy"
    done
}

# One whole command's wall time in milliseconds.
time_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

median() {
    sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

# The commands compared, for set $1, N $2, dithering $3 (dither or plain), into folder $4.
ours() {
    local set=$1 n=$2 mode=$3 out=$4 flag=()
    [[ $mode == plain ]] && flag=(--no-dither)
    "$tool" quantize --colours "$n" "${flag[@]}" "$out" "$work/$set"/*.png
}
program() {
    local set=$1 n=$2 mode=$3 out=$4 flag=()
    [[ $mode == plain ]] && flag=(--no-dither)
    # At 256 there is no room for the key's entry: the notes saying so are not wanted here.
    "$tool" quantize --method program --key 000001 --colours "$n" "${flag[@]}" "$out" "$work/$set"/*.png 2>/dev/null
}
imagemagick() {
    local set=$1 n=$2 mode=$3 out=$4 dither=(+dither) file
    [[ $mode == dither ]] && dither=(-dither FloydSteinberg)
    mkdir -p "$out"
    "$convert" "$work/$set.strips.png" -colors "$n" -unique-colors "$out/palette.png"
    for file in "$work/$set"/*.png; do
        "$convert" "$file" "${dither[@]}" -remap "$out/palette.png" "$out/$(basename "$file")"
    done
}
pngquant_each() {
    local set=$1 n=$2 mode=$3 out=$4 dither=(--nofs) file
    [[ $mode == dither ]] && dither=()
    mkdir -p "$out"
    for file in "$work/$set"/*.png; do
        pngquant --force "${dither[@]}" --output "$out/$(basename "$file")" "$n" "$file"
    done
}

for set in program photo pixelart; do
    # Every picture's pixels one after another, as one picture of a width that divides
    # their number: all the set's pixels and nothing else.
    : >"$work/$set.rgb"
    for file in "$work/$set"/*.png; do "$convert" "$file" -depth 8 rgb:- >>"$work/$set.rgb"; done
    pixels=$(($(stat -c %s "$work/$set.rgb") / 3))
    for ((width = 2048; width > 1; width--)); do ((pixels % width == 0)) && break; done
    "$convert" -size "${width}x$((pixels / width))" -depth 8 "rgb:$work/$set.rgb" "$work/$set.strips.png"
done

printf '| set | N | | tolmix-image | --method program | ImageMagick, shared | pngquant, per picture | time: tolmix-image | ImageMagick | ratio |\n'
printf '|---|---|---|---|---|---|---|---|---|---|\n'
for set in program photo pixelart; do
    originals=("$work/$set"/*.png)
    blurred_originals=($(blurred "${originals[@]}"))
    for n in 16 64 256; do
        for mode in plain dither; do
            row=()
            for command in ours program imagemagick pngquant_each; do
                out=$work/out-$command-$set-$n-$mode
                "$command" "$set" "$n" "$mode" "$out"
                reduced=()
                for file in "${originals[@]}"; do reduced+=("$out/$(basename "$file")"); done
                if [[ $mode == plain ]]; then
                    row+=("$(rmse_of "${originals[@]}" -- "${reduced[@]}")")
                else
                    row+=("$(rmse_of "${blurred_originals[@]}" -- $(blurred "${reduced[@]}"))")
                fi
            done
            : >"$work/t-ours"; : >"$work/t-im"
            for ((i = 0; i < runs; i++)); do   # alternately, so both meet the same machine
                time_ms ours "$set" "$n" "$mode" "$work/t-out-ours" >>"$work/t-ours"
                time_ms imagemagick "$set" "$n" "$mode" "$work/t-out-im" >>"$work/t-im"
            done
            ours_ms=$(median <"$work/t-ours"); im_ms=$(median <"$work/t-im")
            label=$([[ $mode == plain ]] && echo "RMSE, no dither" || echo "RMSE blurred, dithered")
            printf '| %s | %s | %s | %s | %s | %s | %s | %s ms | %s ms | %s |\n' "$set" "$n" "$label" "${row[@]}" \
                "$ours_ms" "$im_ms" "$(awk -v a="$ours_ms" -v b="$im_ms" 'BEGIN { printf "%.2f×", a / b }')"
        done
    done
done

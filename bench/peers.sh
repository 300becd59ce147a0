#!/usr/bin/env bash
# Times the same Mitchell resize as whole commands — tolmix-image, ImageMagick and libvips —
# and prints each one's time and its ratio to tolmix-image's. Installs the peers when missing.
#
#     bench/peers.sh [RUNS]        (default 10 runs each; the median is reported)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-10}
tool=build/release/tools/image/tolmix-image
input=res/BACKGROUND1.bmp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- the peers ------------------------------------------------------------------------------

# ImageMagick's convert: some machines put a different `convert` first on the PATH, so
# each candidate must say it is ImageMagick.
find_convert() {
    for candidate in /usr/bin/convert /usr/bin/convert-im6.q16 "$(command -v convert || true)"; do
        if [[ -x $candidate ]] && "$candidate" -version 2>/dev/null | grep -q ImageMagick; then
            echo "$candidate"
            return
        fi
    done
}

need=()
[[ -n $(find_convert) ]] || need+=(imagemagick)
command -v vips >/dev/null || need+=(libvips-tools)
if [[ ${#need[@]} -gt 0 ]]; then
    sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null
fi
convert=$(find_convert)
[[ -x $tool ]] || make build >/dev/null

# --- timing ---------------------------------------------------------------------------------

# Median wall time in milliseconds of `runs` runs of the command.
median_ms() {
    local times=()
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        times+=($(((end - start) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1000 }'
}

# Each size twice: to PNG, as people use the tools, and to an uncompressed file (BMP; vips's
# own .v format), where the resize itself rather than the PNG encoder is timed.
printf '%-10s %-6s %-34s %10s %8s\n' size output command ms ratio
for size in 1920x1080 3840x2160; do
    w=${size%x*}; h=${size#*x}
    xscale=$(awk -v w="$w" 'BEGIN { print w / 640 }')
    yscale=$(awk -v h="$h" 'BEGIN { print h / 480 }')
    for output in png raw; do
        [[ $output == png ]] && { ext=png; vext=png; } || { ext=bmp; vext=v; }
        ours=$(median_ms "$tool" resize "$input" "$work/ours.$ext" "$w" "$h")
        magick=$(median_ms "$convert" "$input" -filter Mitchell -resize "${size}!" "$work/magick.$ext")
        vips=$(median_ms vips resize "$input" "$work/vips.$vext" "$xscale" --vscale "$yscale" --kernel mitchell)
        for row in "tolmix-image:$ours" "convert -filter Mitchell:$magick" "vips resize --kernel mitchell:$vips"; do
            name=${row%:*}; ms=${row##*:}
            printf '%-10s %-6s %-34s %10s %8s\n' "$size" "$ext" "$name" "$ms" \
                "$(awk -v a="$ms" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')"
        done
    done
done

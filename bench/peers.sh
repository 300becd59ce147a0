#!/usr/bin/env bash
# Times the same Mitchell resize as whole commands and prints each one's time and its
# ratio to tolmix-image's:
#   1. tolmix-image against bench/stb-resize.c (stb_image, stb_image_resize v1, stb_image_write;
#      built here), BMP in and out, with page faults, both run alternately;
#   2. tolmix-image against ImageMagick and libvips (installed when missing).
#
#     bench/peers.sh [--busy] [--stb-only] [RUNS]   (default 10 runs each; medians reported)
#
# --busy keeps one core busy (`yes > /dev/null`) while measuring, as another process
# would; --stb-only stops after the first comparison. Goal of the first: tolmix-image at
# most 0.7x the stb program's wall time, and at most 1.3x its page faults.
set -euo pipefail
cd "$(dirname "$0")/.."

busy=false
stb_only=false
while [[ ${1:-} == --* ]]; do
    case $1 in
        --busy) busy=true ;;
        --stb-only) stb_only=true ;;
        *) echo "usage: bench/peers.sh [--busy] [--stb-only] [RUNS]" >&2; exit 2 ;;
    esac
    shift
done
runs=${1:-10}
tool=build/release/tools/image/tolmix-image
input=res/BACKGROUND1.bmp
work=$(mktemp -d)
busy_pid=
cleanup() {
    [[ -n $busy_pid ]] && kill "$busy_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

need=()
[[ -x /usr/bin/time ]] || need+=(time)
install_packages() {
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >/dev/null
}
[[ ${#need[@]} -eq 0 ]] || install_packages "${need[@]}"
[[ -x $tool ]] || make build >/dev/null
stb=$work/stb-resize
cc -O2 -o "$stb" bench/stb-resize.c $(pkg-config --cflags --libs stb)

if $busy; then
    yes >/dev/null &
    busy_pid=$!
    echo "(one core kept busy by yes, pid $busy_pid)"
fi

# --- 1. against the stb program: wall time and page faults --------------------------------

# One run: "microseconds faults".
run_once() {
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f %R -o "$work/faults" "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo "$(((end - start) / 1000)) $(tail -n 1 "$work/faults")"
}

# The median of the numbers in column $1 of the file $2.
median_of() {
    cut -d' ' -f"$1" "$2" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

printf '%-10s %-14s %10s %8s %10s %8s\n' size command ms ratio faults ratio
for size in 1920x1080 3840x2160; do
    w=${size%x*}; h=${size#*x}
    : >"$work/ours"; : >"$work/stb"
    for ((i = 0; i < runs; i++)); do   # alternately, so both meet the same machine
        run_once "$tool" resize --filter mitchell --key 000001 "$input" "$work/ours.bmp" "$w" "$h" >>"$work/ours"
        run_once "$stb" "$input" "$work/stb.bmp" "$w" "$h" >>"$work/stb"
    done
    ours_us=$(median_of 1 "$work/ours"); ours_faults=$(median_of 2 "$work/ours")
    stb_us=$(median_of 1 "$work/stb"); stb_faults=$(median_of 2 "$work/stb")
    for row in "tolmix-image:$ours_us:$ours_faults" "stb-resize:$stb_us:$stb_faults"; do
        IFS=: read -r name us faults <<<"$row"
        awk -v size="$size" -v name="$name" -v us="$us" -v f="$faults" -v sus="$stb_us" -v sf="$stb_faults" \
            'BEGIN { printf "%-10s %-14s %10.1f %8.2f %10d %8.2f\n", size, name, us / 1000, us / sus, f, f / sf }'
    done
done
$stb_only && exit 0

# --- 2. against ImageMagick and libvips -----------------------------------------------------

# The peers.-------------------------------------------------------------------------

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
[[ ${#need[@]} -eq 0 ]] || install_packages "${need[@]}"
convert=$(find_convert)

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

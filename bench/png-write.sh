#!/usr/bin/env bash
# Times writing the background at 1920 x 1080 as PNG, as whole commands: tolmix-image resize
# to PNG and to BMP (the difference is the PNG writer), and libvips saving the same pixels
# from its own format at compression levels 1-6 and into its own format (the difference is
# its PNG writer). Prints the median wall and CPU (user + system) times and the file sizes.
# Installs libvips-tools when missing.
#
#     bench/png-write.sh [RUNS]        (default 7 runs each; TOOL=path to time another tolmix-image)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-7}
tool=${TOOL:-build/release/tools/image/tolmix-image}   # TOOL=... times another build
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! command -v vips >/dev/null; then
    sudo=(); [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends libvips-tools >/dev/null
fi
[[ -x $tool ]] || make build >/dev/null

# Median wall and CPU milliseconds of `runs` runs of the command, as "WALL CPU".
median_ms() {
    local walls=() cpus=()
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -o "$work/time" -f '%e %U %S' "$@" >/dev/null 2>&1
        read -r wall user system <"$work/time"
        walls+=("$(awk -v w="$wall" 'BEGIN { print w * 1000 }')")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print (u + s) * 1000 }')")
    done
    local middle=$(((runs + 1) / 2))
    echo "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${middle}p") $(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${middle}p")"
}

row() {   # row NAME FILE COMMAND...
    local name=$1 file=$2; shift 2
    read -r wall cpu <<<"$(median_ms "$@")"
    printf '%-40s %8s %8s %10s\n' "$name" "$wall" "$cpu" "$(stat -c %s "$file" 2>/dev/null || echo -)"
}

"$tool" resize res/BACKGROUND1.bmp "$work/full-hd.bmp" 1920 1080
vips copy "$work/full-hd.bmp" "$work/full-hd.v"

printf '%-40s %8s %8s %10s\n' command wall_ms cpu_ms bytes
row "tolmix-image resize -> .bmp" "$work/ours.bmp" "$tool" resize res/BACKGROUND1.bmp "$work/ours.bmp" 1920 1080
row "tolmix-image resize -> .png" "$work/ours.png" "$tool" resize res/BACKGROUND1.bmp "$work/ours.png" 1920 1080
row "vips copy .v -> .v" "$work/copy.v" vips copy "$work/full-hd.v" "$work/copy.v"
for level in 1 2 3 4 5 6; do
    row "vips copy .v -> .png[compression=$level]" "$work/vips$level.png" \
        vips copy "$work/full-hd.v" "$work/vips$level.png[compression=$level]"
done

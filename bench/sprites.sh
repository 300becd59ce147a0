#!/usr/bin/env bash
# sprites.sh — Tolmix's frame rate beside SDL's own sprite test, testsprite2 (Debian's
# libsdl2-tests, installed when missing), at 100, 1,000 and 10,000 sprites on a 1920x1080
# screen, both without a display:
#
#   tolmix --headless --window --mode 1920x1080x32 --balls N --benchmark --frames F
#   SDL_VIDEODRIVER=offscreen testsprite2 --renderer software --geometry 1920x1080 --blend none N sprite.bmp
#
# and tolmix again at 1920x1080x8 (a palette mode, which testsprite2 has not). The sprite is
# the ball's first frame at its size on that screen, 120x90, rescaled from res/BALL1.bmp by
# tolmix-image as the program rescales it; testsprite2 keys it by its top-left pixel, as
# the program keys the ball. testsprite2 redraws the whole screen each frame and prints
# its frame rate every 5 seconds: it runs SECONDS, then gets SIGINT, and its rate is the
# mean of its lines after the first. The programs run alternately, RUNS rounds; the table
# gives the medians.
#
#     bench/sprites.sh [RUNS] [SECONDS]      (default 5 rounds, 16 s per testsprite2 run)
#
# Goals: tolmix at 32 bits at least 2x testsprite2 at every count; tolmix at 8 bits within
# 1.2x of its own 32-bit frame rate (fps32 / fps8 at most 1.2).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
seconds=${2:-16}
counts=(100 1000 10000)
program=build/release/app/tolmix
tool=build/release/tools/image/tolmix-image
testsprite=/usr/libexec/installed-tests/SDL2/testsprite2
work=$(mktemp -d)
sprite_pid=
cleanup() {
    [[ -n $sprite_pid ]] && kill -KILL "$sprite_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# --- What the comparison needs ----------------------------------------------------------

if [[ $(dpkg-query -W -f='${Status}' libsdl2-tests 2>/dev/null || true) != "install ok installed" ]]; then
    echo "Installing libsdl2-tests (testsprite2)"
    sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q >/dev/null
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends libsdl2-tests >/dev/null
fi
[[ -x $testsprite ]] || { echo "sprites.sh: $testsprite is missing" >&2; exit 1; }
if [[ ! -x $program || ! -x $tool ]]; then
    scripts/install-deps.sh
    cmake --preset release >/dev/null
    cmake --build --preset release --target tolmix tolmix-image >/dev/null
fi

# Little-endian 32-bit words, for the BMP header.
le32() {
    local v=$1
    printf "\\x$(printf %02x $((v & 255)))\\x$(printf %02x $(((v >> 8) & 255)))"
    printf "\\x$(printf %02x $(((v >> 16) & 255)))\\x$(printf %02x $(((v >> 24) & 255)))"
}

# The ball's strip is rescaled whole to the screen's scale (30 frames of 100 x 100 world
# units, the world 1600 x 1200) and the first frame cut from it, as the program does.
width=$((1920 * 100 / 1600))
strip=$((1080 * 30 * 100 / 1200))
height=$((strip / 30))
"$tool" resize --key auto res/BALL1.bmp "$work/strip.bmp" "$width" "$strip" >/dev/null
row=$(((3 * width + 3) / 4 * 4))
[[ $(stat -c %s "$work/strip.bmp") -eq $((54 + row * strip)) ]] ||
    { echo "sprites.sh: the rescaled strip is not a plain 24-bit BMP" >&2; exit 1; }
# A BMP stores its rows bottom-up: the first frame's rows are the file's last.
{
    printf 'BM'; le32 $((54 + row * height)); le32 0; le32 54
    le32 40; le32 "$width"; le32 "$height"; printf '\x01\x00\x18\x00'; le32 0; le32 $((row * height))
    le32 2835; le32 2835; le32 0; le32 0
    tail -c $((row * height)) "$work/strip.bmp"
} >"$work/sprite.bmp"

# --- One run of each ------------------------------------------------------------------

# tolmix's figures line for N balls at the mode; frames enough for a few seconds a run.
run_tolmix() {
    local balls=$1 mode=$2 frames=2000
    ((balls >= 1000)) && frames=1000
    ((balls >= 10000)) && frames=300
    "$program" --headless --window --mode "$mode" --balls "$balls" --benchmark --frames "$frames" | head -1
}

# testsprite2's frame rate with N sprites. Debian's build prints its rate every 5 seconds
# (not when interrupted: after SIGINT it prints nothing more and hangs on its way out, so it is
# ended with SIGKILL after it). The first line holds the start; the mean of the later
# lines is its rate.
run_testsprite() {
    local balls=$1 log=$work/testsprite.log
    set -m   # a job of its own, so that SIGINT is not ignored in it
    (cd "$work" && SDL_VIDEODRIVER=offscreen exec "$testsprite" --renderer software --geometry 1920x1080 \
        --blend none "$balls" sprite.bmp) >"$log" 2>&1 &
    sprite_pid=$!
    set +m
    sleep "$seconds"
    kill -INT "$sprite_pid" 2>/dev/null || true
    sleep 1
    kill -KILL "$sprite_pid" 2>/dev/null || true
    wait "$sprite_pid" 2>/dev/null || true
    sprite_pid=
    sed -n 's/.* \([0-9.]*\) frames per second.*/\1/p' "$log" |
        awk 'NR > 1 { sum += $1; ++n } END { if (n > 0) printf "%.1f", sum / n }'
}

# The value of key=value in a figures line.
field() {
    tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p"
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else print v[int((NR + 1) / 2)] }'
}

# --- Alternated runs ------------------------------------------------------------------

for ((round = 1; round <= runs; ++round)); do
    for balls in "${counts[@]}"; do
        line32=$(run_tolmix "$balls" 1920x1080x32)
        line8=$(run_tolmix "$balls" 1920x1080x8)
        sprite_fps=$(run_testsprite "$balls")
        echo "round $round, $balls: tolmix32 $(field fps "$line32") ($(field objects_per_s "$line32") objects/s)," \
             "tolmix8 $(field fps "$line8"), testsprite2 ${sprite_fps:-none}" >&2
        echo "$balls $(field fps "$line32") $(field fps "$line8") ${sprite_fps:-nan}" >>"$work/figures"
    done
done

echo
echo "Medians of $runs alternated rounds, 1920x1080 ($(nproc) processors, $(lscpu | sed -n 's/^Model name: *//p'))"
printf '%8s %14s %14s %12s %14s %12s\n' sprites "tolmix fps" "testsprite2" "ratio" "tolmix 8-bit" "32/8-bit"
for balls in "${counts[@]}"; do
    fps32=$(awk -v n="$balls" '$1 == n { print $2 }' "$work/figures" | median)
    fps8=$(awk -v n="$balls" '$1 == n { print $3 }' "$work/figures" | median)
    sprite=$(awk -v n="$balls" '$1 == n { print $4 }' "$work/figures" | median)
    ratio=$(awk -v a="$fps32" -v b="$sprite" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }')
    depth=$(awk -v a="$fps32" -v b="$fps8" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }')
    printf '%8s %14s %14s %12s %14s %12s\n' "$balls" "$fps32" "$sprite" "$ratio" "$fps8" "$depth"
done

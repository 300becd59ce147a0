#!/usr/bin/env bash
# soak.sh — tolmix headless for a long run under AddressSanitizer and UBSan, losing its
# surfaces every 97 frames, in a palette mode and a true-colour mode. Fails when resident
# memory grows by more than 4 MiB after the first tenth of a run, or when the last screen
# differs from the same run's without losses. Not part of CI (it takes a while).
#
#   bench/soak.sh [FRAMES]        100000 frames unless given
set -euo pipefail
cd "$(dirname "$0")/.."

frames=${1:-100000}
lose_every=97
growth_limit_kib=$((4 * 1024))
modes=(640x480x8 640x480x32)

scripts/install-deps.sh
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize --target tolmix >/dev/null
program=$PWD/build/sanitize/app/tolmix
# AddressSanitizer holds freed memory back in a quarantine (256 MiB by default) before it
# reuses it, and its filling would read as growth; a 1 MiB one keeps the figure meaningful.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:quarantine_size_mb=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run NAME MODE [OPTIONS...]: runs tolmix, sampling its resident memory (KiB) twice a
# second into $work/NAME.rss, one "seconds kib" line each.
run() {
    local name=$1 mode=$2
    shift 2
    local start=$SECONDS
    "$program" --headless --mode "$mode" --frames "$frames" --fixed-step 16 \
        --screenshot "$work/$name.png" "$@" &
    local pid=$!
    : >"$work/$name.rss"
    while kill -0 "$pid" 2>/dev/null; do
        local kib
        kib=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
        [[ -n "$kib" ]] && echo "$((SECONDS - start)) $kib" >>"$work/$name.rss"
        sleep 0.5
    done
    wait "$pid"
}

# growth NAME: KiB by which memory rose after the first tenth of the run (the largest
# sample after it, less the first sample at or after it).
growth() {
    awk '{ t[NR] = $1; k[NR] = $2 } END {
        tenth = t[NR] / 10; base = -1; top = 0
        for (i = 1; i <= NR; i++) if (t[i] >= tenth) { if (base < 0) base = k[i]; if (k[i] > top) top = k[i] }
        print top - base, base, top, t[NR] }' "$work/$1.rss"
}

status=0
printf '%-12s %8s %8s %12s %12s %12s  %s\n' mode frames seconds "rss@10% KiB" "peak KiB" "growth KiB" "screen"
for mode in "${modes[@]}"; do
    run "$mode-lossy" "$mode" --lose-surfaces-every "$lose_every"
    run "$mode-plain" "$mode"
    read -r grew base top seconds < <(growth "$mode-lossy")
    screen=same
    cmp -s "$work/$mode-lossy.png" "$work/$mode-plain.png" || { screen=DIFFERENT; status=1; }
    ((grew <= growth_limit_kib)) || status=1
    printf '%-12s %8s %8s %12s %12s %12s  %s\n' "$mode" "$frames" "$seconds" "$base" "$top" "$grew" "$screen"
done
exit "$status"

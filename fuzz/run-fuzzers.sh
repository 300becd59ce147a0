#!/usr/bin/env bash
# run-fuzzers.sh SECONDS — runs every libFuzzer target of build/fuzz for SECONDS each,
# starting from the seed corpus in fuzz/corpus/TARGET (new inputs are kept under
# build/fuzz/corpus/TARGET, never in the repository). Prints one line of figures per
# target; on a crash prints the end of its log, where the input was saved, and exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: run-fuzzers.sh SECONDS}
targets=(picture-reader png-reader indexed-png rescale quantize accurate-quantize)
build=build/fuzz
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

printf '%-18s %8s %12s %10s %10s %8s\n' target seconds executions "exec/s" coverage corpus
for target in "${targets[@]}"; do
    work=$build/corpus/$target
    log=$build/$target.log
    mkdir -p "$work" "$build/crashes"
    if ! "$build/fuzz/fuzz-$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
            -rss_limit_mb=4096 -artifact_prefix="$build/crashes/$target-" "$work" "fuzz/corpus/$target" \
            >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz-$target failed; its log is $log, the input in $build/crashes/"
        exit 1
    fi
    # The last status line ("#N DONE cov: C ft: F corp: K/...") and the final statistics.
    awk -v target="$target" -v seconds="$seconds" '
        / cov: / { for (i = 1; i <= NF; ++i) { if ($i == "cov:") cov = $(i + 1); if ($i == "corp:") corp = $(i + 1) } }
        /^stat::number_of_executed_units:/ { runs = $2 }
        /^stat::average_exec_per_sec:/ { rate = $2 }
        END { sub(/\/.*/, "", corp); printf "%-18s %8s %12s %10s %10s %8s\n", target, seconds, runs, rate, cov, corp }
    ' "$log"
done

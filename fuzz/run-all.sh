#!/usr/bin/env bash
# Runs every fuzzer of the instrumented build (`make fuzz`) for SECONDS each, one after the
# other, starting from its seeds and regression inputs, and prints per fuzzer: executions,
# coverage (cov = edges, ft = features, from libFuzzer's last status line) and findings.
# A crash, leak, timeout or out-of-memory input is copied to fuzz/regressions/<dir>/, where
# the ordinary `make test` replays it.
#
#   fuzz/run-all.sh SECONDS [FuzzName...]   (BUILD_FUZZ=build-fuzz, FUZZ_WORK=/tmp/quorvane-fuzz)
#
# Named fuzzers only, when given: two lists can then run side by side, one per core.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run-all.sh SECONDS [FuzzName...]}
shift
only=" $* "
build=${BUILD_FUZZ:-build-fuzz}
work=${FUZZ_WORK:-/tmp/quorvane-fuzz}

# FuzzConfigReader -> config-reader: the same rule as fuzz/CMakeLists.txt.
corpus_name() {
    local n=${1#Fuzz}
    echo "$n" | sed -E 's/([a-z0-9])([A-Z])/\1-\2/g' | tr 'A-Z' 'a-z'
}

printf '| Fuzzer | Time | Executions | cov | ft | Corpus | Findings |\n'
printf '|---|---|---|---|---|---|---|\n'
status=0
for source in fuzz/Fuzz*.cpp; do
    name=$(basename "$source" .cpp)
    [ "$only" = "  " ] || [[ "$only" == *" $name "* ]] || continue
    dir=$(corpus_name "$name")
    binary=$build/bin/$name
    if [ ! -x "$binary" ]; then
        printf '| %s | - | - | - | - | - | not built: run `make fuzz` |\n' "$name"
        status=1
        continue
    fi
    mkdir -p "$work/$dir" "$work/artifacts/$dir"
    rm -f "$work/artifacts/$dir"/*
    log=$work/$dir.log
    seeds=()
    for d in "fuzz/corpus/$dir" "fuzz/regressions/$dir"; do [ -d "$d" ] && seeds+=("$d"); done
    "$binary" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/$dir/" "$work/$dir" "${seeds[@]}" >"$log" 2>&1
    rc=$?

    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
    cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
    ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
    units=$(sed -nE 's/.* corp: ([0-9]+\/[0-9]+[a-zA-Z]*).*/\1/p' <<<"$last")
    findings=
    for artifact in "$work/artifacts/$dir"/*; do
        [ -f "$artifact" ] || continue
        mkdir -p "fuzz/regressions/$dir"
        cp "$artifact" "fuzz/regressions/$dir/"
        findings+="${findings:+, }fuzz/regressions/$dir/$(basename "$artifact")"
    done
    if [ -z "$findings" ] && [ "$rc" -ne 0 ]; then findings="exit status $rc, see $log"; fi
    [ -n "$findings" ] && status=1
    printf '| %s | %s s | %s | %s | %s | %s | %s |\n' "$name" "$seconds" "${execs:-?}" \
        "${cov:-?}" "${ft:-?}" "${units:-?}" "${findings:-none}"
done
exit $status

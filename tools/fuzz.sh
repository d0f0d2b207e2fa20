#!/usr/bin/env bash
# Runs every libFuzzer target of the native build for a while and reports, per target, the
# executions run and the crashes found.
#   tools/fuzz.sh --smoke          about 15 seconds per target (what tools/test.sh runs)
#   tools/fuzz.sh --seconds N      N seconds per target
#   tools/fuzz.sh --seconds N NAME ...   only the named targets
# The corpus grows in build/native/fuzz-corpus/<target>/ (kept between runs, starting from the
# seeds in fuzz/seeds/<target>/ if present); crash inputs land in build/native/fuzz-crashes/<target>/.
# The targets are listed in build/native/fuzz/targets/targets.txt (see fuzz/README.md).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=15
case "${1:-}" in
    --smoke) shift ;;
    --seconds)
        seconds="${2:?--seconds needs a number}"
        shift 2
        ;;
    *)
        echo "usage: tools/fuzz.sh --smoke | --seconds N [target ...]" >&2
        exit 2
        ;;
esac

build=build/native
if [ ! -f "$build/build.ninja" ]; then
    cmake --preset native >/dev/null
fi
cmake --build "$build" --target lumora_fuzzers >/dev/null

bin="$build/fuzz/targets"
if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < "$bin/targets.txt"
fi

failed=0
printf '%-24s %14s %8s %s\n' target executions crashes seconds
for target in "${targets[@]}"; do
    [ -n "$target" ] || continue
    corpus="$build/fuzz-corpus/$target"
    crashes="$build/fuzz-crashes/$target"
    mkdir -p "$corpus" "$crashes"
    seeds=()
    [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
    dict=()
    [ -f "fuzz/dict/$target.dict" ] && dict=("-dict=fuzz/dict/$target.dict")
    log="$crashes/last-run.log"
    count_artifacts() {
        find "$crashes" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
            -o -name 'oom-*' \) | wc -l
    }
    before=$(count_artifacts)
    status=0
    "$bin/$target" "$corpus" "${seeds[@]}" "${dict[@]}" -max_total_time="$seconds" \
        -artifact_prefix="$crashes/" -print_final_stats=1 >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [ -n "$runs" ] || runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
    found=$(( $(count_artifacts) - before ))
    if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
        found=1
    fi
    printf '%-24s %14s %8s %s\n' "$target" "${runs:-?}" "$found" "$seconds"
    if [ "$found" -ne 0 ]; then
        failed=1
        echo "  see $log and $crashes/" >&2
        tail -20 "$log" >&2
    fi
done
exit "$failed"

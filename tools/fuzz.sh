#!/bin/sh
# Builds the libFuzzer targets with clang into build-fuzz, replays each
# target's seed corpus, then fuzzes each target for SECONDS seconds.
#
#   tools/fuzz.sh SECONDS
#
# Exits non-zero on any finding (crash, sanitizer report, leak, time-out,
# failed property); the input that caused it is kept in build-fuzz/findings/.
# Inputs that reach new code collect in build-fuzz/corpus/ for later runs.
set -eu

SECONDS_EACH=${1:?usage: tools/fuzz.sh SECONDS}
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-fuzz"
TARGETS="record text_lines ini key_file category_counts language container password_file csv_import line_merge"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" \
    -DVORREL_BUILD_FUZZ=ON -DVORREL_BUILD_TESTS=OFF -DVORREL_WERROR=ON >/dev/null
cmake --build "$BUILD" --target fuzz --parallel 2

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$ROOT/tools/lsan.supp:print_suppressions=0"
mkdir -p "$BUILD/findings" "$BUILD/logs"

failed=""
summary=""
for target in $TARGETS; do
    exe="$BUILD/fuzz/fuzz_$target"
    seeds="$ROOT/fuzz/corpus/$target"
    work="$BUILD/corpus/$target"
    log="$BUILD/logs/$target.log"
    mkdir -p "$work"
    echo "== $target: replaying $(ls "$seeds" | wc -l) seeds"
    if ! "$exe" -timeout=10 "$seeds"/* >"$log.replay" 2>&1; then
        echo "   seed replay FAILED, see $log.replay"
        failed="$failed $target"
        continue
    fi
    echo "== $target: fuzzing for $SECONDS_EACH s"
    status=0
    "$exe" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$BUILD/findings/$target-" "$work" "$seeds" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -ne 0 ]; then
        echo "   FINDING (exit $status), see $log and $BUILD/findings/"
        grep -m 3 -E "ERROR|SUMMARY|property failed|runtime error" "$log" | sed 's/^/   /' || true
        failed="$failed $target"
    fi
    summary="$summary$(printf '%-16s %10s executions  %s' "$target" "${runs:-?}" \
        "$([ "$status" -eq 0 ] && echo ok || echo FINDING)")
"
done

echo
echo "Fuzzing, $SECONDS_EACH s per target:"
printf '%s' "$summary"
if [ -n "$failed" ]; then
    echo "Findings in:$failed"
    exit 1
fi
echo "No findings."

#!/bin/sh
# Builds everything with AddressSanitizer (with leak checking) and
# UndefinedBehaviorSanitizer into build-asan, runs the whole test suite, and
# counts the sanitizer reports in its output: any report fails the run.
#
#   tools/sanitizers.sh
set -eu

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-asan"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORREL_SANITIZE=ON -DVORREL_WERROR=ON >/dev/null

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Only leaks inside the system's own libraries are suppressed; see the file.
export LSAN_OPTIONS="suppressions=$ROOT/tools/lsan.supp:print_suppressions=0"

# The build runs each test program to list its tests, under the same options.
cmake --build "$BUILD" --parallel 2

status=0
ctest --test-dir "$BUILD" --output-on-failure --parallel 2 || status=$?

log="$BUILD/Testing/Temporary/LastTest.log"
reports=$(grep -c -E "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" "$log" || true)
echo "Sanitizer reports in the test output: $reports"
if [ "$reports" -ne 0 ] || [ "$status" -ne 0 ]; then
    exit 1
fi

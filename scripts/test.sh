#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Tolvane twice (optimised, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole suite in
# both; then builds the tests whose decoding and memory run threads of their
# own with ThreadSanitizer and runs them, and fuzzes the opening road.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/cmake/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
summary=()

echo "=== rooms: include circles, upward includes, lines per room"
if ! python3 "$root/scripts/rooms.py" "$root"; then
    status=1
fi

for variant in "build RelWithDebInfo" "build-sanitize Sanitize"; do
    set -- $variant
    echo "=== $2 build ($1)"
    bash "$root/scripts/build.sh" "$1" "$2" -DTOLVANE_WERROR=ON -DTOLVANE_BUILD_TESTS=ON
    echo "=== $2 tests"
    if ! ctest --test-dir "$root/$1" --output-on-failure --parallel "$(nproc)" --timeout 900 |
        tee "$root/$1/ctest.log"; then
        status=1
    fi
    summary+=("$(grep -E 'tests passed|tests failed' "$root/$1/ctest.log" | tail -n 1 || true)")
done

# Only the test executables over the rooms that start threads (the colour
# rows' worker, the pages made ahead of a decoder), to keep this stage cheap.
echo "=== Tsan build (build-tsan: tests_raster, tests_formats)"
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=Tsan -DTOLVANE_WERROR=ON -DTOLVANE_BUILD_TESTS=ON >/dev/null
cmake --build "$root/build-tsan" --parallel "$(nproc)" --target tests_raster tests_formats
echo "=== Tsan tests"
if ! TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/cmake/tsan.supp" \
    ctest --test-dir "$root/build-tsan" -R '^tests_(raster|formats)$' --output-on-failure --parallel "$(nproc)" --timeout 900 |
    tee "$root/build-tsan/ctest.log"; then
    status=1
fi
summary+=("$(grep -E 'tests passed|tests failed' "$root/build-tsan/ctest.log" | tail -n 1 || true)")

echo "=== photo opening fuzzing (60 s)"
if ! bash "$root/scripts/fuzz.sh" 60; then
    status=1
fi

# The test runs' closing lines again, last, after the fuzzer's output.
echo "=== summary (optimised, sanitized, then the threads under ThreadSanitizer)"
printf '%s\n' "${summary[@]}"
exit $status

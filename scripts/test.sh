#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Tolvane twice (optimised, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole suite in both.
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

echo "=== JPEG loader fuzzing (60 s)"
if ! bash "$root/scripts/fuzz.sh" 60; then
    status=1
fi

# The two test runs' closing lines again, last, after the fuzzer's output.
echo "=== summary (optimised, then sanitized)"
printf '%s\n' "${summary[@]}"
exit $status

#!/usr/bin/env bash
# longrun.sh [ROUNDS] [BUILD_TYPE]: the long-run test (open, turn, tone, trim
# into every cell, save, on a 12-megapixel photo) for ROUNDS rounds (default
# 200) in the optimised build, or in the Sanitize build when BUILD_TYPE is
# Sanitize. The test suite runs 200 rounds, and 20 under the sanitizers.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${1:-200}"
type="${2:-RelWithDebInfo}"
dir=build
[[ "$type" == Sanitize ]] && dir=build-sanitize
bash "$root/scripts/setup.sh"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/cmake/lsan.supp:print_suppressions=0"
cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE="$type" -DTOLVANE_WERROR=ON -DTOLVANE_BUILD_TESTS=ON >/dev/null
cmake --build "$root/$dir" --parallel "$(nproc)" --target tests_longrun
TOLVANE_LONG_ROUNDS="$rounds" ctest --test-dir "$root/$dir" -L long --output-on-failure --verbose --timeout 7200 |
    grep -E 'FIGURES|NOTE|OK|FAILED|Failure|tests passed|tests failed|Expected|Which is'

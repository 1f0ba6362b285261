#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the JPEG loader's fuzz target with clang++,
# AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz, and runs it
# for SECONDS (default 600), seeded with a temporary copy of
# ../shared/testdata/jpeg. Exits non-zero when it finds a crash, a leak, a
# timeout or an out-of-memory input; the input is kept in build-fuzz/findings/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
dir="$root/build-fuzz"

cmake -S "$root" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Sanitize \
    -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_FUZZ=ON >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target fuzz_jpeg

corpus="$(mktemp -d)"
log="$dir/fuzz.log"
trap 'rm -rf "$corpus"' EXIT
seeds="$root/../shared/testdata/jpeg"
if compgen -G "$seeds/*.jpg" >/dev/null; then
    cp "$seeds"/*.jpg "$corpus"/
    chmod -R u+w "$corpus"
else
    echo "fuzz: no seeds at $seeds, starting from nothing"
fi
findings="$dir/findings"
mkdir -p "$findings"

echo "fuzz: running for $seconds s (log in $log)"
status=0
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
LSAN_OPTIONS="suppressions=$root/cmake/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
"$dir/fuzz/fuzz_jpeg" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -dict="$root/fuzz/jpeg.dict" -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 ||
    status=$?

grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$log" || true
grep -E '^stat::' "$log" || true
if ((status != 0)); then
    tail -n 60 "$log"
    echo "fuzz: FAILED (exit $status); the input is in $findings/"
    exit 1
fi
echo "fuzz: no crash, leak or timeout in $seconds s"

#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the photo opening road's fuzz target with clang++,
# AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz, and runs it
# for SECONDS (default 600). Its first inputs are made afresh each run in a
# temporary folder: small files of every format from fuzz_seeds, HEIC and AVIF
# from them with heif-enc when libheif-examples is there, and a copy of
# ../shared/testdata/jpeg when present. Exits non-zero when it finds a crash,
# a leak, a timeout or an out-of-memory input; the input is kept in
# build-fuzz/findings/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
dir="$root/build-fuzz"

cmake -S "$root" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Sanitize \
    -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_FUZZ=ON >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target fuzz_photo fuzz_seeds

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/cmake/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

corpus="$(mktemp -d)"
log="$dir/fuzz.log"
trap 'rm -rf "$corpus"' EXIT
shared="$root/../shared/testdata/jpeg"
if compgen -G "$shared/*.jpg" >/dev/null; then
    cp "$shared"/*.jpg "$corpus"/
    chmod -R u+w "$corpus"
else
    echo "fuzz: no shared corpus at $shared, seeds of our own only"
    shared=""
fi
QT_QPA_PLATFORM=offscreen "$dir/fuzz/fuzz_seeds" "$corpus" ${shared:+"$shared"}
if command -v heif-enc >/dev/null; then
    for kind in heic avif; do
        for source in png-rgb png-alpha png-qt-adobe; do
            heif-enc -q 40 -o "$corpus/$source.$kind" "$corpus/$source.png" >/dev/null 2>&1 ||
                echo "fuzz: heif-enc could not make $source.$kind"
        done
    done
else
    echo "fuzz: heif-enc (libheif-examples) not found, no HEIF seeds"
fi
echo "fuzz: $(find "$corpus" -type f | wc -l) seeds"
findings="$dir/findings"
mkdir -p "$findings"

echo "fuzz: running for $seconds s (log in $log)"
status=0
"$dir/fuzz/fuzz_photo" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -dict="$root/fuzz/photo.dict" -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 ||
    status=$?

grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$log" || true
grep -E '^stat::' "$log" || true
if ((status != 0)); then
    tail -n 60 "$log"
    echo "fuzz: FAILED (exit $status); the input is in $findings/"
    exit 1
fi
echo "fuzz: no crash, leak or timeout in $seconds s"

#!/usr/bin/env bash
# Builds the benchmarks in an optimised build and runs them all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" build-bench Release -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=ON
for b in "$root"/build-bench/bin/bench_*; do
    echo "=== $(basename "$b")"
    QT_QPA_PLATFORM=offscreen "$b" "$@"
done

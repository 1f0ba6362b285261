#!/usr/bin/env bash
# build.sh DIR BUILD_TYPE [cmake options...]: configures and builds the project in DIR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; type="$2"; shift 2
cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
cmake --build "$root/$dir" --parallel "$(nproc)"

#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Tolvane and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" build RelWithDebInfo -DTOLVANE_BUILD_TESTS=OFF
exec "$root/build/bin/tolvane"

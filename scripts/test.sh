#!/usr/bin/env bash
# Builds Orvenna with its tests and runs them all: unit, widget (offscreen) and
# desktop (the real program under Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" "$@"

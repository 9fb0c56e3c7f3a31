#!/usr/bin/env bash
# Installs what is missing, then configures and builds (incrementally) into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build"
# Configuring again is quick when nothing changed, and repairs a first run that stopped halfway.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"

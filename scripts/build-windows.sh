#!/usr/bin/env bash
# Cross-builds the 32-bit Windows program, build-windows/orvenna.exe, with its tests
# (they run under Wine: `cd build-windows && ctest`). Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" "$root/scripts/packages-windows.txt"
build="$root/build-windows"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"

#!/usr/bin/env bash
# Cross-builds the 32-bit Windows program, build-windows/orvenna.exe, with its tests
# (they run under Wine: `cd build-windows && ctest`), and packs the zip for Windows
# users. Installs what is missing first, and builds the picture libraries the first time
# (build-windows-deps.sh, cached for later builds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" "$root/scripts/packages-windows.txt"
deps=$("$root/scripts/build-windows-deps.sh")
build="$root/build-windows"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DORVENNA_WINDOWS_DEPS="$deps" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"
# The zip for Windows users: build-windows/orvenna-<version>-windows.zip.
(cd "$build" && cpack -G ZIP >/dev/null)
echo "Windows program: $build/orvenna.exe; zip for users: $(ls "$build"/orvenna-*-windows.zip)"

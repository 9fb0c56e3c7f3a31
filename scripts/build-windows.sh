#!/usr/bin/env bash
# Cross-builds the 32-bit Windows program, build-windows/orvenna.exe, with its tests
# (they run under Wine: `cd build-windows && ctest`), and packs the zip for Windows
# users. Installs what is missing first, and builds the picture libraries the first time
# (build-windows-deps.sh, cached for later builds; ORVENNA_WINDOWS_DEPS_PREFIX=<prefix> names a
# prefix it made instead).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" "$root/scripts/packages-windows.txt"
# Wine's 32-bit packages must match the versions of their 64-bit twins on the machine, which a
# mirror whose i386 index lags behind cannot give: Wine then comes from a Debian chroot
# (made once) through wrappers put first on PATH, where the toolchain file finds them; the
# build folder keeps their path for its tests. Without either, the program is built, not tested.
# The repository's folder is bound into the chroot wherever it is.
export ORVENNA_ROOT="$root"
if ! "$root/scripts/install-deps.sh" "$root/scripts/packages-wine.txt"; then
  echo "== Wine could not be installed from the package mirror: using Wine from a Debian chroot" >&2
  if wine_bin=$("$root/scripts/wine-chroot.sh"); then
    export PATH="$wine_bin:$PATH"
  else
    echo "== No Wine chroot either: the Windows program is built but not tested" >&2
  fi
fi
# The picture libraries, cross-built from Debian's sources of the versions the Linux build links.
deps=${ORVENNA_WINDOWS_DEPS_PREFIX:-$("$root/scripts/build-windows-deps.sh")}
if [ -s "$deps/fallbacks.txt" ]; then
  echo "== WARNING: the Windows picture libraries were built from older Debian revisions of these" \
    "(the mirror lacks the sources of the versions the Linux build links):" >&2
  sed 's/^/     /' "$deps/fallbacks.txt" >&2
fi
build="$root/build-windows"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DORVENNA_WINDOWS_DEPS="$deps" >/dev/null
cmake --build "$build" --parallel "$(nproc)" "$@"
# The zip for Windows users: build-windows/orvenna-<version>-windows.zip.
(cd "$build" && cpack -G ZIP >/dev/null)
echo "Windows program: $build/orvenna.exe; zip for users: $(ls "$build"/orvenna-*-windows.zip)"

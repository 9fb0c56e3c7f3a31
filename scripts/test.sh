#!/usr/bin/env bash
# Builds Orvenna with its tests and runs them all: unit, widget (offscreen) and
# desktop (the real program under Xvfb); then cross-builds the Windows program and
# runs its tests under Wine (unit, and desktop with a window manager).
# Arguments go to both ctest runs (for example -L unit or -R name).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
"$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)" "$@") || status=1
"$root/scripts/build-windows.sh"
# The Windows build found Wine (on the machine or from the chroot) when its cache names it.
if grep -q '^ORVENNA_WINE:FILEPATH=/' "$root/build-windows/CMakeCache.txt"; then
  (cd "$root/build-windows" && ctest --output-on-failure "$@") || status=1
else
  echo "== THE WINDOWS PROGRAM'S TESTS WERE NOT RUN: Wine could not be installed (see above)" >&2
fi
exit $status

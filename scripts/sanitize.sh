#!/usr/bin/env bash
# Builds Orvenna with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and
# runs the unit and widget tests there. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build-asan"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVENNA_SANITIZE=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
# Leaks are reported except inside the system libraries named in the suppression file.
# A small quarantine: freed memory held back for use-after-free checks otherwise counts in
# the peak-memory tests (a picture file's bytes, freed before its text is read, would stay).
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1:quarantine_size_mb=16"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" -L 'unit|widget' "$@"

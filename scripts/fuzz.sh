#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a bounded time
# over its committed corpus (fuzz/corpus/<target>/); inputs found on the way go to
# build-fuzz/corpus/<target>/, crashes to build-fuzz/findings/.
# FUZZ_SECONDS sets the time per target (default 60). The mutations start from a fixed seed
# (FUZZ_SEED, default 1), so that a run repeats what an earlier one tried: exploring goes
# with other seeds and longer times, and each crash it finds, once fixed, joins the committed
# corpus as a repro- file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build-fuzz"
seconds=${FUZZ_SECONDS:-60}
seed=${FUZZ_SEED:-1}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVENNA_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
targets=()
for source in "$root"/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"
# A smaller quarantine than the default keeps the fuzzers well below their memory limit.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=64"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  echo "== $target: ${seconds}s"
  "$build/fuzz/$target" -max_total_time="$seconds" -seed="$seed" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" "$root/fuzz/corpus/$target"
done

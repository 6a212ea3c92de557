#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and libFuzzer and runs each for a while, one after
# another, growing its corpus in build-libfuzzer/corpus/<harness> (the seeds in fuzz/corpus stay as
# they are). For developers, not CI. A crash stops the run and leaves crash-* files in
# build-libfuzzer/artifacts: turn the smallest into a seed so that every build replays it.
#
#   scripts/fuzz.sh [seconds per harness] [harness...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
build=build-libfuzzer

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSW_FUZZ=ON -DSW_BUILD_TESTS=OFF -DSW_BUILD_BENCH=OFF >/dev/null
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  mapfile -t harnesses < <(cd fuzz && ls ./*Fuzzer.cpp | sed 's|^\./||; s|\.cpp$||')
fi
ninja -C "$build" "${harnesses[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/artifacts"
for harness in "${harnesses[@]}"; do
  echo "== $harness for ${seconds}s"
  mkdir -p "$build/corpus/$harness"
  "$build/bin/$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix="$build/artifacts/$harness-" -print_final_stats=1 \
    "$build/corpus/$harness" "fuzz/corpus/$harness"
done

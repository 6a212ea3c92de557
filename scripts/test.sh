#!/usr/bin/env bash
# Builds everything twice (plain, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# the whole suite in both builds, then the end-to-end tests of the command line and the browser.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Both builds treat warnings as errors, so that a new warning fails here rather than piling up.
scripts/build.sh build -DSW_WERROR=ON
scripts/build.sh build-sanitize -DSW_SANITIZE=ON -DSW_BUILD_BENCH=OFF -DSW_WERROR=ON
for dir in build build-sanitize; do
  echo "== unit tests in $dir"
  ctest --test-dir "$dir" --output-on-failure
done
if [ -x tests/e2e/run.sh ]; then
  echo "== end-to-end tests"
  tests/e2e/run.sh build/bin/sensorwidget
fi

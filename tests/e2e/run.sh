#!/usr/bin/env bash
# The widget page in a real browser (Chromium) against the given sensorwidget binary.
# Usage: tests/e2e/run.sh [build/bin/sensorwidget]. Ends with node's test summary; fails when a
# test fails. Screenshots go to tests/e2e/artifacts/.
set -euo pipefail
binary=$(realpath "${1:-build/bin/sensorwidget}")
cd "$(dirname "$0")"
# Says which Node.js runs the tests, and stops with one line when a locked package needs a newer one.
node nodeEngines.mjs check browser/package-lock.json
cd browser
if [ ! -d node_modules/playwright-core ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
# The test files share one Chromium and the machine's two cores: one file at a time. Node.js 18
# runs files one by one anyway and does not know the option.
concurrency=()
node --test-concurrency=1 -e '' 2>/dev/null && concurrency=(--test-concurrency=1)
SENSORWIDGET="$binary" exec node --test "${concurrency[@]}"

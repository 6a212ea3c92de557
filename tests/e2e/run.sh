#!/usr/bin/env bash
# The widget page in a real browser (Chromium) against the given sensorwidget binary.
# Usage: tests/e2e/run.sh [build/bin/sensorwidget]. Ends with node's test summary; fails when a
# test fails. Screenshots go to tests/e2e/artifacts/.
set -euo pipefail
binary=$(realpath "${1:-build/bin/sensorwidget}")
cd "$(dirname "$0")/browser"
if [ ! -d node_modules/playwright-core ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
SENSORWIDGET="$binary" exec node --test --test-concurrency=1

#!/usr/bin/env bash
# Rewrites the golden files of the command line's outputs from the built binary. Review the diff
# before committing: every changed line is a change users see.
#
#   scripts/update-golden.sh [build/bin/sensorwidget]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=$(realpath "${1:-build/bin/sensorwidget}")
rm -rf tests/golden/expected
tests/golden/outputs.sh "$binary" tests/golden/expected
echo "wrote $(ls tests/golden/expected | wc -l) files to tests/golden/expected"

#!/usr/bin/env bash
# Rewrites the golden files of the command line's outputs from the built binary, and the archive
# fixtures (tests/golden/archives) from the test program beside it. Review the diff before
# committing: every changed line is a change users see, every changed archive byte one that files
# stored by earlier versions no longer match.
#
#   scripts/update-golden.sh [build/bin/sensorwidget]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=$(realpath "${1:-build/bin/sensorwidget}")
rm -rf tests/golden/expected
tests/golden/outputs.sh "$binary" tests/golden/expected
echo "wrote $(ls tests/golden/expected | wc -l) files to tests/golden/expected"
SW_UPDATE_ARCHIVES=1 SW_SOURCE_DIR=$PWD "$(dirname "$binary")/test_system" --gtest_filter='ArchiveFixtures.*' >/dev/null
echo "wrote $(ls tests/golden/archives | wc -l) files to tests/golden/archives"

#!/usr/bin/env bash
# Compares the command line's outputs with the golden files byte for byte and prints a diff of
# each that differs. After an intended change: scripts/update-golden.sh, then review the diff.
#
#   tests/golden/compare.sh BINARY
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
actual=$(mktemp -d)
trap 'rm -rf "$actual"' EXIT
"$here/outputs.sh" "$1" "$actual"
if diff -ru "$here/expected" "$actual"; then
  echo "golden outputs: $(ls "$actual" | wc -l) files match"
else
  echo "golden outputs differ (above); if the change is intended, run scripts/update-golden.sh" >&2
  exit 1
fi

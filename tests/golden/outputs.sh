#!/usr/bin/env bash
# The command line's outputs that are pinned by golden files: every built-in profile's sensor list
# (JSON, English and German, Celsius and Fahrenheit) and its `smc`, `info` and `ioreg` text, on a
# stopped clock in UTC with fresh settings.
#
#   tests/golden/outputs.sh BINARY OUTPUT_DIR     writes one file per output into OUTPUT_DIR
set -euo pipefail
binary=$1
out=$2
mkdir -p "$out"
defaults=$(mktemp -d)
trap 'rm -rf "$defaults"' EXIT
export TZ=UTC LC_ALL=C.UTF-8 SENSORWIDGET_FIXED_TIME=1767268800  # 2026-01-01 12:00 UTC
run() { "$binary" --defaults-dir "$defaults" "$@"; }
for profile in $(run profiles | awk '{print $1}'); do
  for locale in en de; do
    for scale in celsius fahrenheit; do
      run --profile "$profile" --locale "$locale" list --json --scale "$scale" >"$out/$profile.list.$locale.$scale.json"
    done
  done
  for command in smc info ioreg; do
    run --profile "$profile" "$command" >"$out/$profile.$command.txt" 2>&1 || echo "exit status $?" >>"$out/$profile.$command.txt"
  done
done

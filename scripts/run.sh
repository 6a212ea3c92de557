#!/usr/bin/env bash
# Builds sensorwidget and starts the widget host on the embedded default profile.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
scripts/build.sh build -DSW_BUILD_TESTS=OFF -DSW_BUILD_BENCH=OFF
exec build/bin/sensorwidget serve "$@"

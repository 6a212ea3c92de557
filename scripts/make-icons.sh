#!/usr/bin/env bash
# Draws the widget's type icons: converts web/Images/src/*.svg into the committed
# web/Images/*.png (48 x 48, shown at 24 x 24 CSS pixels so they stay sharp on dense screens).
# A development tool only: the build uses the committed PNGs. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../web/Images"
command -v rsvg-convert >/dev/null || { echo "make-icons.sh: install librsvg2-bin for rsvg-convert" >&2; exit 1; }
for source in src/*.svg; do
  name=$(basename "$source" .svg)
  rsvg-convert --width 48 --height 48 --format png --output "$name.png" "$source"
  echo "$name.png"
done

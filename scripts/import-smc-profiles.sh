#!/bin/bash
# Regenerates the @SMCKeys arrays of the built-in profiles from the controller listings in
# tests/smc/fixtures, with the built binary's `smc --import --signals`. Each profile's AppleSMC
# entry must already hold a "<key>@SMCKeys</key>" followed by an array (an empty "<array/>" will
# do); only that array is replaced, the rest of the file stays as it is.
#
#   scripts/import-smc-profiles.sh [path/to/sensorwidget]
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${1:-build/bin/sensorwidget}
[ -x "$binary" ] || { echo "no binary at $binary: build first, or name it" >&2; exit 1; }

# profile = listing (the MacPro5,1 listing is assembled by scripts/assemble-macpro-smc-listing.sh)
profiles=(MacBookPro5,5 MacBookPro8,1 iMac13,2 MacBookAir5,2 MacPro5,1)

replace_keys() {
  local profile=$1 keys=$2
  grep -q '<key>@SMCKeys</key>' "$profile" || { echo "$profile: no @SMCKeys to replace" >&2; exit 1; }
  awk -v keys="$keys" '
    function emit(indent,   line) {
      # the generated document: drop its header and the closing </plist>, indent the array
      while ((getline line < keys) > 0) {
        if (line ~ /^<\?xml|^<!DOCTYPE|^<plist|^<\/plist>/) continue
        print indent line
      }
      close(keys)
    }
    skipping == 1 { if ($0 == indent "</array>") skipping = 0; next }
    replaceNext == 1 {
      replaceNext = 0
      emit(indent)
      if ($0 != indent "<array/>") skipping = 1
      next
    }
    /<key>@SMCKeys<\/key>/ { match($0, /^[\t ]*/); indent = substr($0, 1, RLENGTH); replaceNext = 1 }
    { print }
  ' "$profile" > "$profile.new"
  mv "$profile.new" "$profile"
}

generated=$(mktemp)
trap 'rm -f "$generated"' EXIT
for name in "${profiles[@]}"; do
  "$binary" smc --import "tests/smc/fixtures/$name.txt" --signals > "$generated"
  replace_keys "profiles/$name.plist" "$generated"
  echo "profiles/$name.plist: $(grep -c '<key>Key</key>' "profiles/$name.plist") SMC keys"
done

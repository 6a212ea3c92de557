#!/bin/bash
# Writes tests/smc/fixtures/MacPro5,1.txt, the key listing of the two-package Mac Pro profile.
# No listing of a real MacPro5,1 controller is at hand, so this one is assembled: the keys of the
# iMac11,2 (the desktop of the same processor generation) plus the keys a second processor
# package and the tower's drive bays, memory slots, PCIe slots and power supply add. The added
# readings are typical values, not measurements.
set -euo pipefail
cd "$(dirname "$0")/.."
fixtures=tests/smc/fixtures
base="$fixtures/iMac11,2.txt"
out="$fixtures/MacPro5,1.txt"

# key, type name, type code, size, bytes
added_keys() {
  cat <<'KEYS'
TCAD sp78 73703738 2 3A40
TCAH sp78 73703738 2 3180
TCBD sp78 73703738 2 3880
TCBH sp78 73703738 2 3040
TH0P sp78 73703738 2 2100
TH1P sp78 73703738 2 2140
TH2P sp78 73703738 2 2080
TH3P sp78 73703738 2 2000
TMA1 sp78 73703738 2 2C00
TMA2 sp78 73703738 2 2C40
TMA3 sp78 73703738 2 2B80
TMA4 sp78 73703738 2 2BC0
TMB1 sp78 73703738 2 2A80
TMB2 sp78 73703738 2 2AC0
TMB3 sp78 73703738 2 2A00
TMB4 sp78 73703738 2 2A40
TN0D sp78 73703738 2 3D00
TN0H sp78 73703738 2 3500
Te1S sp78 73703738 2 2480
Te2S sp78 73703738 2 2500
Tp0C sp78 73703738 2 2600
Th1H sp78 73703738 2 2E00
VC1C sp1e 73703165 2 4880
IC1C sp78 73703738 2 0058
PC1C sp96 73703936 2 0013
Ve1S sp4b 73703462 2 6040
Vp0C sp4b 73703462 2 6068
VV1S sp4b 73703462 2 2A00
KEYS
}

key_line() { printf '[%s] type [%s] %s len [%2d] attr [C0] -> %s\n' "$@"; }

# The public keys of the base (its count is made anew), the added ones, in the controller's order.
public=$(mktemp)
trap 'rm -f "$public"' EXIT
{
  awk '/^Hidden keys/{exit} /^\[/{print}' "$base" | grep -v '^\[#KEY\]'
  added_keys | while read -r key name code size bytes; do key_line "$key" "$name" "$code" "$size" "$bytes"; done
} | LC_ALL=C sort > "$public"
count=$(( $(wc -l < "$public") + 1 ))

{
  echo "Assembled for the MacPro5,1 profile from iMac11,2.txt by scripts/assemble-macpro-smc-listing.sh"
  echo "Public keys ($count):"
  printf '[#KEY] type [ui32] 75693332 len [ 4] attr [80] -> %08X\n' "$count"
  cat "$public"
  echo
  awk 'hidden{print} /^Hidden keys/{hidden=1; print}' "$base"
} > "$out"
echo "wrote $out"

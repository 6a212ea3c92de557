#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the widget host need, when missing.
# Usage: scripts/install-deps.sh [build|test]
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config libplist++-dev libplist-dev nlohmann-json3-dev libcli11-dev
  libcpp-httplib-dev libmicrohttpd-dev libfmt-dev libicu-dev libfontconfig-dev libfreetype-dev fontconfig
  fonts-dejavu-core libgtest-dev libgmock-dev googletest libbenchmark-dev)
# The tests read every settings file they write with Python's plistlib too, a property-list
# reader independent of ours; any python3 on the path will do.
command -v python3 >/dev/null || packages+=(python3)
if [ "${1:-build}" = test ]; then
  packages+=(chromium)
  # A machine may already carry Node.js from elsewhere, with npm inside it; Debian's npm package
  # conflicts with such a build, so ask for Node.js only where the commands are missing.
  command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

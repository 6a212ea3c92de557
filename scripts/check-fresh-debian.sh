#!/usr/bin/env bash
# Tries the README's two commands as a new user would: in a minimal Debian 12 root made with
# debootstrap, on a clean clone of the current commit, with nothing else installed. Run it (as
# root) whenever dependencies or install steps change.
#
#   scripts/check-fresh-debian.sh [--keep] [--mirror URL]
#
# Steps: make the root, clone, run the test command (scripts/test.sh), then the run command
# (scripts/run.sh), wait for its "Widget at" line and fetch the page. Each step prints PASS or
# FAIL; the exit status is 0 only when both commands passed. The root lives in a temporary folder
# that is removed at the end unless --keep is given. Networks that reach the package registries
# through a TLS proxy: the host's extra certificate authorities (/usr/local/share/ca-certificates)
# are copied into the root and given to Node.js.
set -euo pipefail

keep=false
mirror=http://deb.debian.org/debian
while [ $# -gt 0 ]; do
  case $1 in
    --keep) keep=true ;;
    --mirror) mirror=$2; shift ;;
    *) echo "usage: $0 [--keep] [--mirror URL]" >&2; exit 2 ;;
  esac
  shift
done

[ "$(id -u)" -eq 0 ] || { echo "check-fresh-debian: needs root (debootstrap and chroot)" >&2; exit 1; }
repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
commit=$(git -C "$repo" rev-parse HEAD)
work=$(mktemp -d /var/tmp/sensorwidget-fresh.XXXXXX)
root=$work/root
log=$work/log
mkdir -p "$log"
port=18080

step() { echo "== $*"; }
pass() { echo "PASS $*"; }
fail() { echo "FAIL $* (log: $1)"; }

in_root() {
  # A login-like environment: what a new user's shell has, plus the proxy's authorities for Node.js.
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb ${extra_ca:+NODE_EXTRA_CA_CERTS=$extra_ca} bash -c "$1"
}

cleanup() {
  set +e
  if [ -d "$root/proc" ]; then
    # Whatever the run command left running inside the root goes first, then the mounts.
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null
    done
    sleep 1
    for mount in dev/shm dev/pts dev sys proc; do umountpoint "$root/$mount"; done
  fi
  if $keep; then echo "kept: $work"; else rm -rf "$work"; fi
}
umountpoint() { mountpoint -q "$1" && umount -l "$1"; }
trap cleanup EXIT

command -v debootstrap >/dev/null || {
  step "installing debootstrap"
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
}

step "making a minimal Debian 12 root in $root"
if ! debootstrap --variant=minbase bookworm "$root" "$mirror" >"$log/debootstrap.log" 2>&1; then
  fail "$log/debootstrap.log" debootstrap
  exit 1
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# As in any chroot, packages must not start services of their own.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
for mount in proc sys dev dev/pts; do mount --bind "/$mount" "$root/$mount"; done
mount -t tmpfs tmpfs "$root/dev/shm"

extra_ca=
if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
  mkdir -p "$root/usr/local/share/ca-certificates"
  cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
  cat /usr/local/share/ca-certificates/*.crt >"$root/usr/local/share/extra-authorities.pem"
  extra_ca=/usr/local/share/extra-authorities.pem
fi

step "cloning $commit"
git clone -q --no-local "$repo" "$root/root/sensorwidget"
git -C "$root/root/sensorwidget" checkout -q --detach "$commit"

status=0
step "the test command: scripts/test.sh"
if in_root "cd /root/sensorwidget && CI=true scripts/test.sh" >"$log/test.log" 2>&1; then
  pass "test command: $(grep -E 'tests passed|^# (pass|fail) ' "$log/test.log" | tr '\n' ' ')"
else
  fail "$log/test.log" "test command"
  tail -n 30 "$log/test.log"
  status=1
fi

step "the run command: scripts/run.sh --port $port"
in_root "cd /root/sensorwidget && exec scripts/run.sh --port $port" >"$log/run.log" 2>&1 &
run_pid=$!
address=
for _ in $(seq 1 1800); do
  address=$(grep -oE '^Widget at http://[^ ]+' "$log/run.log" | head -n 1 | cut -d' ' -f3) || true
  [ -n "$address" ] && break
  kill -0 "$run_pid" 2>/dev/null || break
  sleep 1
done
if [ -n "$address" ] && curl -fsS "$address" -o "$work/page.html" && grep -q '<html' "$work/page.html"; then
  pass "run command: $address answered with the widget page"
else
  fail "$log/run.log" "run command"
  tail -n 30 "$log/run.log"
  status=1
fi
kill "$run_pid" 2>/dev/null || true
exit $status

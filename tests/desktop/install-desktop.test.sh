#!/usr/bin/env bash
# scripts/install-desktop.sh in a temporary home: what it decides from the machine's sensors,
# the files it writes and removes, what it asks the user's service manager, and the unit as
# systemd reads it (when systemd-analyze is there).
# Usage: install-desktop.test.sh SOURCE_DIR SENSORWIDGET_BINARY
set -uo pipefail
source_dir=$1
real_binary=$2
script="$source_dir/scripts/install-desktop.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@"; then echo "ok   $description"; else echo "FAIL $description"; failures=$((failures + 1)); fi
}
contains() { grep -qF -- "$2" "$1"; }
no_files_under() { [ -z "$(find "$1" -type f -o -type l 2>/dev/null)" ]; }

# A sensorwidget that finds the sensors FAKE_SENSORS says, and a systemctl that logs its calls
# and answers as FAKE_MANAGER says.
mkdir -p "$scratch/bin"
cat > "$scratch/bin/sensorwidget" <<'FAKE'
#!/bin/sh
printf 'Model: MacBookPro8,1\nVersion: 1.0.0\n'
[ "${FAKE_SENSORS:-0}" = 1 ] && printf '  0       47\302\260C       CPU Core 1  (quorvel.dts.0)\n'
exit 0
FAKE
cat > "$scratch/bin/systemctl" <<'FAKE'
#!/bin/sh
echo "$*" >> "$SYSTEMCTL_LOG"
[ "${FAKE_MANAGER:-0}" = 1 ]
FAKE
chmod +x "$scratch/bin/sensorwidget" "$scratch/bin/systemctl"
fake_binary="$scratch/bin/sensorwidget"
export SENSORWIDGET_SYSTEMCTL="$scratch/bin/systemctl"
export SYSTEMCTL_LOG="$scratch/systemctl.log"

run_in_home() {  # run_in_home HOME XDG_CONFIG_HOME ARGUMENTS... (output in $scratch/out)
  local home=$1 config=$2
  shift 2
  mkdir -p "$home"
  HOME="$home" XDG_CONFIG_HOME="$config" "$script" "$@" > "$scratch/out" 2>&1
}

echo "== a machine without known sensors: one line, nothing installed"
home="$scratch/none"
run_in_home "$home" "$home/config" --binary "$fake_binary"
check "succeeds" test $? -eq 0
check "says so in one line" test "$(cat "$scratch/out")" = \
  "This machine has no sensors the widget knows: nothing installed (--profile NAME installs a demonstration)."
check "writes nothing" no_files_under "$home"

echo "== a supported machine with a user service manager"
home="$scratch/mac"
: > "$SYSTEMCTL_LOG"
FAKE_SENSORS=1 FAKE_MANAGER=1 run_in_home "$home" "$home/config" --binary "$fake_binary"
check "succeeds" test $? -eq 0
unit="$home/config/systemd/user/sensorwidget.service"
entry="$home/config/autostart/sensorwidget.desktop"
check "the unit runs the live machine" contains "$unit" "ExecStart=\"$fake_binary\" --profile \"live\" serve --port 8080"
check "the unit restarts on failure" contains "$unit" "Restart=on-failure"
check "the unit logs to the journal" contains "$unit" "StandardError=journal"
check "the autostart entry opens the window on the unit's host" contains "$entry" "Exec=\"$fake_binary\" window --port 8080"
check "the unit is enabled and started" contains "$SYSTEMCTL_LOG" "--user enable --now sensorwidget.service"
check "no link made by hand when the manager enables" test ! -e "$home/config/systemd/user/default.target.wants"
mkdir -p "$home/config/autostart" && echo keep > "$home/config/autostart/other.desktop"
: > "$SYSTEMCTL_LOG"
FAKE_MANAGER=1 run_in_home "$home" "$home/config" --uninstall
check "uninstall succeeds" test $? -eq 0
check "uninstall removes the unit and the entry" test ! -e "$unit" -a ! -e "$entry"
check "uninstall disables the unit" contains "$SYSTEMCTL_LOG" "--user disable --now sensorwidget.service"
check "uninstall leaves other autostart entries" test -e "$home/config/autostart/other.desktop"

echo "== a demonstration profile, no service manager, a relative XDG_CONFIG_HOME"
home="$scratch/demo"
FAKE_MANAGER=0 run_in_home "$home" "relative/config" --profile MacBookPro8,1 --binary "$real_binary"
check "succeeds" test $? -eq 0
unit="$home/.config/systemd/user/sensorwidget.service"
check "a relative XDG_CONFIG_HOME is ignored for ~/.config" test -f "$unit" -a -f "$home/.config/autostart/sensorwidget.desktop"
check "the unit runs the given profile" contains "$unit" "--profile \"MacBookPro8,1\" serve"
check "the unit is wanted at login without a manager to ask" \
  test "$(readlink "$home/.config/systemd/user/default.target.wants/sensorwidget.service")" = "../sensorwidget.service"
if command -v systemd-analyze >/dev/null 2>&1; then
  systemd-analyze verify "$unit" > "$scratch/verify" 2>&1
  # Only what it says about our unit counts: a machine's own units may draw remarks of their own.
  check "systemd-analyze verify finds nothing to say about the unit" \
    test -z "$(grep -F "sensorwidget.service" "$scratch/verify")"
  cat "$scratch/verify"
else
  echo "skip systemd-analyze is not installed"
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
  check "the autostart entry is a valid desktop entry" desktop-file-validate "$home/.config/autostart/sensorwidget.desktop"
else
  echo "skip desktop-file-validate is not installed"
fi
run_in_home "$home" "relative/config" --uninstall
check "uninstall removes everything it made" no_files_under "$home/.config"

echo "== refused: a profile the widget cannot show, a path the files cannot hold"
home="$scratch/refused"
run_in_home "$home" "$home/config" --profile no-such-profile --binary "$real_binary"
check "an unknown profile fails" test $? -ne 0
mkdir -p "$scratch/a\$b" && cp "$fake_binary" "$scratch/a\$b/sensorwidget"
FAKE_SENSORS=1 run_in_home "$home" "$home/config" --binary "$scratch/a\$b/sensorwidget"
check "a path with a dollar sign fails" test $? -ne 0
check "and nothing is installed" no_files_under "$home"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }

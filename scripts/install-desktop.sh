#!/usr/bin/env bash
# Makes the widget part of this user's desktop, per user and without root: a systemd user
# service runs the widget host (restarted when it fails, its output in the journal), and an XDG
# autostart entry opens the widget's window on that host at login. `--uninstall` removes both.
#
# Usage: scripts/install-desktop.sh [--uninstall] [--profile NAME] [--binary PATH]
#   --profile NAME  the machine the host shows; by default the running machine (`live`), and only
#                   when the widget knows its sensors. A built-in profile or a profile file makes a
#                   demonstration on any machine.
#   --binary PATH   the sensorwidget to run (default: build/bin/sensorwidget of this tree).
# SENSORWIDGET_SYSTEMCTL replaces the systemctl command (the tests use a stand-in).
set -euo pipefail

readonly name=sensorwidget
readonly port=8080

say() { printf '%s\n' "$*"; }
fail() { printf 'install-desktop: %s\n' "$*" >&2; exit 1; }

uninstall=0
profile=
binary="$(cd "$(dirname "$0")/.." && pwd)/build/bin/$name"
while [ $# -gt 0 ]; do
  case "$1" in
    --uninstall) uninstall=1 ;;
    --profile) [ $# -ge 2 ] || fail "--profile needs a name"; profile=$2; shift ;;
    --binary) [ $# -ge 2 ] || fail "--binary needs a path"; binary=$2; shift ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) fail "unknown argument: $1 (see --help)" ;;
  esac
  shift
done

# The base directory rules count XDG_CONFIG_HOME only when it is an absolute path.
config_home=${XDG_CONFIG_HOME:-}
case "$config_home" in /*) ;; *) config_home="$HOME/.config" ;; esac
readonly unit_file="$config_home/systemd/user/$name.service"
readonly autostart_file="$config_home/autostart/$name.desktop"
# What `systemctl --user enable` makes for WantedBy=default.target, made by hand when no user
# service manager answers (installed over ssh, say), so that the host still starts at login.
readonly wants_link="$config_home/systemd/user/default.target.wants/$name.service"

systemctl_command=${SENSORWIDGET_SYSTEMCTL:-systemctl}
# The user's service manager, when this session has one to talk to.
user_systemctl() {
  command -v "$systemctl_command" >/dev/null 2>&1 || return 1
  "$systemctl_command" --user "$@"
}
user_manager_runs() { user_systemctl show-environment >/dev/null 2>&1; }

if [ "$uninstall" = 1 ]; then
  if [ -e "$unit_file" ] && user_manager_runs; then
    user_systemctl disable --now "$name.service" >/dev/null 2>&1 || true
  fi
  rm -f "$unit_file" "$autostart_file" "$wants_link"
  rmdir "$(dirname "$wants_link")" 2>/dev/null || true
  if user_manager_runs; then user_systemctl daemon-reload || true; fi
  say "Removed the widget's service and autostart entry."
  exit 0
fi

[ -x "$binary" ] || fail "no sensorwidget at $binary (build it, or give --binary PATH)"
binary=$(realpath "$binary")

if [ -z "$profile" ]; then
  # A sensor line of `list` starts with its index; a machine the widget does not know has none.
  if ! "$binary" --profile live list 2>/dev/null | grep -Eq '^ +[0-9]+ '; then
    say "This machine has no sensors the widget knows: nothing installed (--profile NAME installs a demonstration)."
    exit 0
  fi
  profile=live
elif ! "$binary" --profile "$profile" list >/dev/null; then
  fail "the widget cannot show the profile $profile"
elif [ -f "$profile" ]; then
  profile=$(realpath "$profile")  # the service does not start in this folder
fi

# The files below quote their commands; these characters would need escapes of their own in one
# or the other format, and no real install path has them.
for value in "$binary" "$profile"; do
  case "$value" in
    *[\"\\\$%\`]*|*$'\n'*) fail "cannot write a command holding any of \" \\ \$ % \` or a line break: $value" ;;
  esac
done

mkdir -p "$(dirname "$unit_file")" "$(dirname "$autostart_file")"
cat > "$unit_file" <<UNIT
[Unit]
Description=Sensor widget host: the widget's page on 127.0.0.1:$port

[Service]
Type=simple
ExecStart="$binary" --profile "$profile" serve --port $port
Restart=on-failure
RestartSec=5
StandardOutput=journal
StandardError=journal

[Install]
WantedBy=default.target
UNIT

# The service runs the host; at login the session only opens the window on it (waiting for the
# host a while), so closing the window leaves the host and its history running.
cat > "$autostart_file" <<ENTRY
[Desktop Entry]
Type=Application
Name=Sensor Widget
Comment=The sensor readings of this machine in a small window
Exec="$binary" window --port $port
Terminal=false
X-GNOME-Autostart-enabled=true
ENTRY

say "Installed $unit_file"
say "Installed $autostart_file"
if user_manager_runs; then
  user_systemctl daemon-reload
  user_systemctl enable --now "$name.service"
  say "The widget host runs now (journalctl --user -u $name); the window opens at the next login, or now with: $binary window"
else
  mkdir -p "$(dirname "$wants_link")"
  ln -sfn "../$name.service" "$wants_link"
  say "No user service manager answers in this session: the host starts at the next login, or now with: $binary --profile $profile serve --open"
fi

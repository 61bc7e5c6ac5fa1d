#!/usr/bin/env bash
# Runs a command in a desktop session of its own, as the native program's
# tests need one: a display (Xvfb) and a private D-Bus session with the
# accessibility bus. Chinese locale, as the program's users have; no desktop
# portal here, so GTK's own file dialogs.
#
# Usage: tests/gtk/session.sh COMMAND [ARG...]
#   e.g. tests/gtk/session.sh /usr/bin/python3 tests/gtk/e2e_driver.py build/linux/qarvel
set -euo pipefail

work="$(mktemp -d "${TMPDIR:-/tmp}/qarvel-session.XXXXXX")"
xvfb= bus_pid= launcher=
cleanup() {
  for pid in $launcher $bus_pid $xvfb; do kill "$pid" 2>/dev/null || true; done
  # Gone before the caller goes on: a server still ending could remove the
  # socket of the next session's server on the same display.
  [ -z "$xvfb" ] || wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts
# connections: sessions started at the same time never share one. It is
# waited for until it answers a client, so that the command's first
# connection does not race it; beside the other lanes' builds and Wine
# sessions that once took longer than 5 s, and the command then found no
# display. One that does not answer within 30 s is started again, twice at
# most. No reset when its last client leaves, so that the probe's leaving
# does not reset it under the command's first client.
start_xvfb() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 1 300); do
    grep -q . "$work/display" 2>/dev/null \
      && xdpyinfo -display ":$(head -1 "$work/display")" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  kill "$xvfb" 2>/dev/null || true
  return 1
}
start_xvfb || start_xvfb || start_xvfb || { echo "session: Xvfb did not answer" >&2; cat "$work/xvfb.log" >&2; exit 1; }

export DISPLAY=":$(head -1 "$work/display")" GTK_USE_PORTAL=0 NO_AT_BRIDGE=0
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 HOME="$work" XDG_RUNTIME_DIR="$work"

# The session bus and the accessibility bus, with the services they start,
# write to a log of their own: none holds the caller's output open after
# the command ends.
dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 \
  3>"$work/bus" 4>"$work/bus.pid" </dev/null >>"$work/services.log" 2>&1
bus_pid="$(cat "$work/bus.pid")"
export DBUS_SESSION_BUS_ADDRESS="$(head -1 "$work/bus")"
/usr/libexec/at-spi-bus-launcher --launch-immediately </dev/null >>"$work/services.log" 2>&1 &
launcher=$!
"$@"

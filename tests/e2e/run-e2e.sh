#!/usr/bin/env bash
# Runs the end-to-end tests: the driver starts Qarvel.exe under Wine and
# works its dialog. Builds nothing.
#
# Usage: tests/e2e/run-e2e.sh [QARVEL_EXE [DRIVER_EXE [CASE...]]]
#   QARVEL_EXE  default build/win32/Qarvel.exe
#   DRIVER_EXE  default the e2e driver of QARVEL_EXE's build
#               (tests/e2e/e2e_driver.exe beside it)
#   CASE...     run only these cases (names as the driver prints them)
# Exits with the driver's status: 0 only when every case passed.
#
# The tests use a Wine prefix of their own (E2E_WINE_PREFIX, default
# build/wineprefix-e2e, or build/wineprefix64-e2e for a 64-bit build), so
# that ending its wineserver at the end cannot hit anyone else's programs;
# it is created on first use (about 20 s). The build's architecture picks
# the Wine loader.
# E2E_LONG_CUTS=1 adds the long cuts onto slow sticks: three FUSE file
# systems of tests/slowfs/ (root only, for /dev/fuse), named to the driver
# in QARVEL_E2E_SLOW.
# Needs scripts/install-deps.sh to have run.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"
qarvel="${1:-$repo/build/win32/Qarvel.exe}"
driver="${2:-$(dirname "$qarvel")/tests/e2e/e2e_driver.exe}"
shift $(($# < 2 ? $# : 2))

for exe in "$qarvel" "$driver"; do
  if [ ! -f "$exe" ]; then
    echo "run-e2e: $exe not found; build the win32 tree first" >&2
    exit 2
  fi
done
qarvel="$(cd "$(dirname "$qarvel")" && pwd -P)/$(basename "$qarvel")"
driver="$(cd "$(dirname "$driver")" && pwd -P)/$(basename "$driver")"

# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
export WINE_ENV_ARCH
WINE_ENV_ARCH="$(wine_pe_arch "$driver")"
if [ "$WINE_ENV_ARCH" = win64 ]; then
  export WINE_ENV_PREFIX="${E2E_WINE_PREFIX:-$repo/build/wineprefix64-e2e}"
else
  export WINE_ENV_PREFIX="${E2E_WINE_PREFIX:-$repo/build/wineprefix-e2e}"
fi
export WINE_ENV_QUIET="${WINE_ENV_QUIET:-1}"

# One run at a time per prefix: each run ends the prefix's wineserver. The
# script runs again under flock -o, which holds the lock itself and passes
# no descriptor of it on, so Wine processes that outlive a run (they do, at
# times) cannot keep the next run waiting.
if [ "${E2E_LOCKED:-}" != "$WINE_ENV_PREFIX" ]; then
  mkdir -p "$(dirname "$WINE_ENV_PREFIX")"
  export E2E_LOCKED="$WINE_ENV_PREFIX"
  rc=0
  flock -o -w 300 -E 75 "$WINE_ENV_PREFIX.run-lock" bash "${BASH_SOURCE[0]}" "$qarvel" "$driver" "$@" || rc=$?
  [ "$rc" -ne 75 ] || echo "run-e2e: another run held $WINE_ENV_PREFIX for 300 s" >&2
  exit "$rc"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/qarvel-e2e.XXXXXX")"
slow_pids=()
stop_sticks() {
  local m
  for m in slow full vanishing; do
    # Not asked with -d: a vanished stick answers no stat.
    fusermount -u -z "$work/sticks/$m" 2>/dev/null || true
  done
  [ "${#slow_pids[@]}" -eq 0 ] || kill "${slow_pids[@]}" 2>/dev/null || true
  slow_pids=()
}
finish() {
  # The prefix's wineserver, its desktop and our Xvfb, if we started one:
  # a desktop left on a display that goes away would break the next run.
  wine_xvfb_stop
  stop_sticks
}
trap finish EXIT

# Three slow sticks at 4 MB/s: "slow", "full" (no room past 6 MB) and
# "vanishing", whose daemon a watcher kills (the stick pulled out) once the
# driver asks for it with the file pull-the-stick.
if [ "${E2E_LONG_CUTS:-0}" = 1 ]; then
  for m in slow full vanishing; do
    mkdir -p "$work/sticks/$m" "$work/backing/$m"
    options=(--rate 4000000)
    [ "$m" != full ] || options+=(--fail-at 6000000 --errno ENOSPC)
    "$repo/tests/slowfs/slowfs.py" "$work/backing/$m" "$work/sticks/$m" "${options[@]}" 2>>"$work/slowfs.err" &
    slow_pids+=($!)
    disown $!  # killed on purpose: no word from the shell about it
    [ "$m" != vanishing ] || vanishing_pid=$!
  done
  for m in slow full vanishing; do
    for _ in $(seq 100); do mountpoint -q "$work/sticks/$m" && break; sleep 0.1; done
    mountpoint -q "$work/sticks/$m" || { echo "run-e2e: slowfs did not mount $m" >&2; cat "$work/slowfs.err" >&2; exit 1; }
  done
  ( while [ ! -e "$work/sticks/pull-the-stick" ]; do sleep 0.1; done; kill -KILL "$vanishing_pid" ) &
  slow_pids+=($!)
  export QARVEL_E2E_SLOW
  QARVEL_E2E_SLOW="$(wine_winpath "$work/sticks")"
fi

# A wineserver left by an earlier run may sit on a display that is gone.
if [ -d "$WINE_ENV_PREFIX" ]; then
  WINEPREFIX="$WINE_ENV_PREFIX" wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX="$WINE_ENV_PREFIX" wineserver -w >/dev/null 2>&1 || true
fi
wine_xvfb_start
wine_env_init

start=$SECONDS
# The driver's stdout goes to a file, not a pipe: the Wine services that the
# first program starts inherit its stdout and would hold a pipe open after
# the driver has ended. tail shows the lines as they come.
: >"$work/driver.out"
rc=0
timeout 240 "$WINE_ENV_LOADER" "$driver" "$(wine_winpath "$qarvel")" "$(wine_winpath "$work")" "$@" \
  >"$work/driver.out" 2>"$work/wine.err" </dev/null &
wine_pid=$!
tail --pid="$wine_pid" -n +1 -f "$work/driver.out" || true
wait "$wine_pid" || rc=$?

if [ "$rc" -eq 124 ]; then
  echo "run-e2e: the driver did not finish within 240 s" >&2
fi
if [ "$rc" -ne 0 ]; then
  echo "run-e2e: failed (status $rc) after $((SECONDS - start)) s; files kept in $work" >&2
  echo "run-e2e: Wine's messages:" >&2
  grep -v 'FS volume label and serial are not available' "$work/wine.err" >&2 || true
else
  echo "run-e2e: passed in $((SECONDS - start)) s" >&2
  stop_sticks
  rm -rf "$work"
fi
exit "$rc"

#!/usr/bin/env bash
# The native program's figures beside their baselines: start-up beside
# zenity --info, the cut through the dialog beside dd conv=fsync (1 MiB,
# 64 MiB and 1 GiB), each in turns after the same pause, on a display of its own
# (tests/gtk/session.sh); then the package's installed size beside the Wine
# that revision 2 needed.
#
# Usage: bench/native/run-native-bench.sh BUILD_DIR WORK_DIR
#   BENCH_RUNS (default 5), BENCH_PAUSE_MS (default 2000), BENCH_SIZES_MIB
#   (default 1,64,1024), BENCH_SPIN=1 keeps
#   one CPU awake with a nice-19 loop while it runs.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"
build="$(realpath "$1")" work="$(realpath -m "$2")"
mkdir -p "$work"

spinner=
if [ "${BENCH_SPIN:-0}" = 1 ]; then
  nice -n 19 bash -c 'while :; do :; done' &
  spinner=$!
fi
trap '[ -z "$spinner" ] || kill "$spinner"; rm -rf "$work/deb"' EXIT

"$repo/tests/gtk/session.sh" "$build/bench/native/gtk_bench" "$build/qarvel" "$work" \
  "${BENCH_RUNS:-5}" "${BENCH_PAUSE_MS:-2000}" "${BENCH_SIZES_MIB:-1,64,1024}"

"$repo/packaging/make_deb.sh" "$build/qarvel" "$work/deb" >/dev/null
deb="$(ls "$work"/deb/qarvel_*.deb)"
wine=0
for p in wine64 libwine fonts-wine; do
  wine=$((wine + $(dpkg-query -W -f='${Installed-Size}' "$p" 2>/dev/null || echo 0)))
done
printf '%-26s %s KiB installed (%s bytes of .deb); revision 2 needed Wine: %s KiB (wine64, libwine, fonts-wine)\n' \
  "package size" "$(dpkg-deb -f "$deb" Installed-Size)" "$(stat -c %s "$deb")" "$wine"
printf '%-26s %s\n' "busy loop" "$([ -n "$spinner" ] && echo "yes, nice 19" || echo "none (BENCH_SPIN=1: one)")"

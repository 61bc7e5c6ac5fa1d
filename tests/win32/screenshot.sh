#!/usr/bin/env bash
# Starts Qarvel.exe under Wine (own Xvfb unless a display works), waits for
# its dialog, prints the time from start to dialog, saves a screenshot of the
# screen as PNG and ends the program.
#
# Usage: tests/win32/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
#   defaults: build/win32, build/win32/screenshot.png; build/win64 runs
#   under 64-bit Wine
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"
build="$(cd "${1:-$repo/build/win32}" && pwd -P)" || exit 2
shot="${2:-$build/screenshot.png}"

# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
WINE_ENV_ARCH="$(wine_pe_arch "$build/Qarvel.exe")" || exit 1
wine_xvfb_start || exit 1
[ -n "$WINE_XVFB_PID" ] && trap wine_xvfb_stop EXIT
wine_env_init || exit 1

start=$(date +%s%N)
wine_run "$build/Qarvel.exe" &
program=$!
wine_run "$build/tests/win32/wait_dialog.exe" 30 | tr -d '\r'
waited=${PIPESTATUS[0]}
echo "from start to dialog shown: $(( ($(date +%s%N) - start) / 1000000 )) ms (upper bound)"
# Let the controls finish painting.
sleep 1
rc=0
[ "$waited" -eq 0 ] && { wine_screenshot "$shot" || rc=1; } || rc=1
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
[ "$rc" -eq 0 ] && echo "saved $shot"
exit "$rc"

#!/usr/bin/env bash
# Runs the win32 layer tests under Wine (with an own Xvfb unless a display
# works) and ends with the line "N passed, M failed"; exits non-zero on any
# failure.
#
# Usage: tests/win32/run-layer-tests.sh [BUILD_DIR] [NAME_PART]
#   BUILD_DIR  a Windows build, build/win32 (the default) or build/win64;
#              needs tests/win32/layer_tests.exe and Qarvel.exe built there.
#              Runs under the Wine of that build's architecture.
#   NAME_PART  run only the tests whose name contains it
# WINE_ENV_DPI sets the display scale (default 96, 100 %); the dialog tests
# check that the programs see it.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"
build="$(cd "${1:-$repo/build/win32}" && pwd -P)" || exit 2
filter="${2:-}"
tests_exe="$build/tests/win32/layer_tests.exe"
product="$build/Qarvel.exe"
for f in "$tests_exe" "$product"; do
  [ -f "$f" ] || { echo "run-layer-tests: missing $f (build the win32 tree first)" >&2
                   echo "0 passed, 1 failed"; exit 1; }
done

# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
WINE_ENV_QUIET="${WINE_ENV_QUIET:-1}"
export WINE_ENV_DPI="${WINE_ENV_DPI:-96}" QARVEL_TEST_DPI="${WINE_ENV_DPI:-96}"
WINE_ENV_ARCH="$(wine_pe_arch "$tests_exe")" || { echo "0 passed, 1 failed"; exit 1; }
wine_xvfb_start || { echo "0 passed, 1 failed"; exit 1; }
# Stop only what this run started.
[ -n "$WINE_XVFB_PID" ] && trap wine_xvfb_stop EXIT
wine_env_init || { echo "0 passed, 1 failed"; exit 1; }

output="$(mktemp "${TMPDIR:-/tmp}/layer-tests.XXXXXX")"
rc=0
# The program has a watchdog of its own (60 s); this one catches a Wine that hangs.
timeout 90 "$WINE_ENV_LOADER" "$tests_exe" "$(wine_winpath "$product")" $filter >"$output" 2>&1 || rc=$?
tr -d '\r' <"$output" | grep -v '^$' | grep -v ':fixme:' | sed '/^[0-9]* passed, [0-9]* failed$/d'

summary="$(tr -d '\r' <"$output" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1)"
if [ -z "$summary" ]; then
  # The program died before its summary: count what it reported, and the crash.
  echo "layer_tests.exe ended without a summary (exit code $rc)"
  passed="$(tr -d '\r' <"$output" | grep -c '^PASS ')"
  failed="$(( $(tr -d '\r' <"$output" | grep -c '^FAIL ') + 1 ))"
else
  passed="${summary%% passed*}"
  failed="${summary#*passed, }"; failed="${failed%% failed}"
  [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
fi
# The rename that names the output is written through to the disk: Wine
# logs the flags that reach MoveFileWithProgressW, which must hold
# MOVEFILE_WRITE_THROUGH (0x8) every time. Once per full run.
if [ -z "$filter" ]; then
  WINEDEBUG=trace+file timeout 90 "$WINE_ENV_LOADER" "$tests_exe" "$(wine_winpath "$product")" \
    File_RenameNeverReplaces >"$output" 2>&1
  moves="$(tr -d '\r' <"$output" | grep -a 'trace:file:MoveFileWithProgressW' | sed -n 's/.*,\([0-9a-f]*\))$/\1/p')"
  if [ -n "$moves" ] && ! grep -qv '[89a-f]$' <<<"$moves"; then
    echo "PASS Rename_WritesThrough ($(wc -l <<<"$moves") renames, flags ${moves//$'\n'/ })"
    passed=$((passed + 1))
  else
    echo "FAIL Rename_WritesThrough: MoveFileWithProgressW flags: ${moves:-none logged}" | tr '\n' ' '; echo
    failed=$((failed + 1))
  fi
fi
echo "$passed passed, $failed failed"
rm -f "$output"
[ "$failed" -eq 0 ]

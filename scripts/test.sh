#!/usr/bin/env bash
# Runs every test: installs what is missing, checks that every link in the
# README and docs/ resolves, starts making the Linux packages' Debian 11
# build root (the first time only), builds the native
# unit tests with AddressSanitizer and UBSan and runs them, and their cuts
# again on FAT and exFAT mounted through FUSE and across file systems;
# fuzzes the commands for a minute, cross-builds Qarvel.exe for 32-bit and
# 64-bit Windows and builds the native Linux program; then side by side:
# for every Windows build this machine can run, the layer tests and the
# end-to-end tests under Wine once for each system code page in turn, and
# the layer's dialog tests at three more display scales; the native
# program's layer tests and its end-to-end tests through the accessibility
# bus; and the same two for the arm64 program, cross-built in the root,
# under qemu-aarch64. Last the release files' tests (two clean builds
# compared; the Debian packages checked, resolved and installed in the
# root, the amd64 one installed, started, cut with and purged here and in
# the root). Shows each suite's output with its time, the builds that ran
# (and why one did not) and the line "total: N passed, M failed" over
# every suite.
#
# QARVEL_WIN64_ONLY=1 runs the Win64 build alone, as on a machine that
# executes no 32-bit code.
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"

"$REPO/scripts/install-deps.sh"

logs="$REPO/build/test-logs"
rm -rf "$logs"
mkdir -p "$logs"
total_passed=0 total_failed=0
failed=()

log_of() { printf '%s/%s.log' "$logs" "${1//[^A-Za-z0-9_.-]/_}"; }

# run_suite NAME COMMAND...: runs one suite into its log, and writes its exit
# code and its time beside it; a caller that sets suite_order has the name
# added to that file. A file, not a pipe: Wine services that a
# suite starts would hold a pipe open after it ends.
run_suite() {
  local name="$1" log rc=0 start=$SECONDS; shift
  log="$(log_of "$name")"
  echo "   started: $name"
  [ -z "${suite_order:-}" ] || echo "$name" >>"$suite_order"
  "$@" >"$log" 2>&1 || rc=$?
  echo "$rc $((SECONDS - start))" >"$log.rc"
}

# report NAME: shows a suite's log, then adds its closing line ("N passed,
# M failed", or ctest's) to the totals. A suite without such a line (the
# fuzz run) counts as one test.
report() {
  local name="$1" log rc seconds line passed failed_now
  log="$(log_of "$name")"
  read -r rc seconds <"$log.rc" || { rc=1 seconds=0; }
  echo "== $name ($seconds s)"
  cat "$log"
  line="$(tr -d '\r' <"$log" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1 || true)"
  if [ -n "$line" ]; then
    passed="${line%% passed*}"
    failed_now="${line#*passed, }"; failed_now="${failed_now%% failed}"
  else
    line="$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)"
    if [ -n "$line" ]; then
      failed_now="$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")"
      passed=$(( $(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line") - failed_now ))
    else
      passed=1 failed_now=0
      [ "$rc" -eq 0 ] || passed=0
    fi
  fi
  [ "$rc" -eq 0 ] || [ "$failed_now" -gt 0 ] || failed_now=1
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed_now))
  [ "$failed_now" -eq 0 ] || failed+=("$name")
}

# suite NAME COMMAND...: runs one suite and reports it at once.
suite() {
  run_suite "$@"
  report "$1"
}

# The build root takes minutes the first time, mostly waiting on the
# archive: it is made while the native programs build and the fuzz runs.
# The arm64 lane and the release files need it (build-root.sh waits for a
# creation in progress).
root_suite="build root (Debian 11, amd64 and arm64)"
run_suite "$root_suite" scripts/build-root.sh &
root_job=$!

suite "links in the README and docs/" tests/docs/check_links.py "$REPO"

echo "== native unit tests (headless backend, ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
suite "native unit tests" ctest --test-dir build/native --output-on-failure
# A long cut's copy runs on a second thread: the unit tests again under
# ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$(nproc)" >/dev/null
suite "unit tests under ThreadSanitizer" ctest --test-dir build/tsan --output-on-failure -E "^CutFaults[.]|_NOT_BUILT"
suite "cuts on FUSE mounts and across file systems" tests/mounts/run-mount-tests.sh build/native

echo "== fuzzing the open-source and cut commands (libFuzzer, bounded)"
suite "fuzzing" scripts/fuzz.sh 60

echo "== Windows builds (MinGW-w64 i686 and x86_64)"
scripts/build-windows.sh win32 win64

echo "== the native Linux program (GTK 3) and its layer tests"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$(nproc)"

# The program shows and names the same whatever the system's ANSI code page,
# which Wine takes from the locale: 936, 1252, 932 and 65001. The Win64
# build runs on every x86-64 machine, the Win32 build where the machine
# executes 32-bit code; each under all four, and its dialog tests at three
# more display scales.
locales=(zh_CN.UTF-8 en_US.UTF-8 ja_JP.UTF-8 hi_IN.UTF-8)
scales=(120 144 192)
declare -A not_run=()
if [ ! -x /usr/lib/wine/wine64 ]; then
  not_run[win64]="64-bit Wine (/usr/lib/wine/wine64) is not installed"
fi
if ! why="$(scripts/runs-win32.sh --wine)"; then
  not_run[win32]="$why"
fi

# The Wine suites of one build, one after the other: each locale's prefix
# serves its layer and end-to-end tests; the display scales have a prefix
# of their own, on a full-HD desktop. The names go to $logs/BUILD.order.
wine_lane() {
  local build="$1" locale prefix dpi
  local suite_order="$logs/$build.order"
  for locale in "${locales[@]}"; do
    prefix="$REPO/build/wineprefix-$build-${locale%%.*}"
    run_suite "layer tests ($build, $locale)" \
      env WINE_ENV_LOCALE="$locale" WINE_ENV_PREFIX="$prefix" tests/win32/run-layer-tests.sh "build/$build"
    # The long cuts onto slow sticks once per build, in the first locale.
    run_suite "end-to-end tests ($build, $locale)" \
      env WINE_ENV_LOCALE="$locale" E2E_WINE_PREFIX="$prefix" E2E_LONG_CUTS="$([ "$locale" = "${locales[0]}" ] && echo 1 || echo 0)" \
          tests/e2e/run-e2e.sh "build/$build/Qarvel.exe"
  done
  for dpi in "${scales[@]}"; do
    run_suite "dialog layout at $dpi dpi ($build)" \
      env WINE_ENV_LOCALE=zh_CN.UTF-8 WINE_ENV_PREFIX="$REPO/build/wineprefix-$build-scaled" \
          WINE_ENV_DESKTOP=1920x1080 WINE_ENV_SCREEN=1920x1080x24 WINE_ENV_DPI="$dpi" \
          tests/win32/run-layer-tests.sh "build/$build" Dialog_
  done
}

# The native program's suites, each in a desktop session of its own: the
# layer tests, then the end-to-end tests through the accessibility bus.
native_lane() {
  local suite_order="$logs/linux.order"
  run_suite "layer tests (linux, GTK 3)" tests/gtk/session.sh build/linux/tests/gtk/gtk_layer_tests
  run_suite "end-to-end tests (linux, AT-SPI)" \
    tests/gtk/session.sh /usr/bin/python3 tests/gtk/e2e_driver.py build/linux/qarvel
}

# The arm64 program, cross-built in the Debian 11 root, run by
# qemu-aarch64 with the root's arm64 libraries: its layer tests, then its
# end-to-end tests through the accessibility bus. The driver starts the
# program through a two-line script.
arm64_lane() {
  local suite_order="$logs/arm64.order" root
  run_suite "arm64 build (Debian 11 root, cross compiler)" \
    scripts/build-in-root.sh arm64 build/root-arm64 qarvel gtk_layer_tests
  root="$(scripts/build-root.sh)" || root=/nonexistent
  mkdir -p build/root-arm64
  printf '#!/bin/sh\nexec qemu-aarch64 -L %s %s "$@"\n' "$root" "$REPO/build/root-arm64/qarvel" \
    >build/root-arm64/qarvel-under-qemu
  chmod +x build/root-arm64/qarvel-under-qemu
  run_suite "layer tests (arm64 under qemu, GTK 3)" \
    tests/gtk/session.sh qemu-aarch64 -L "$root" build/root-arm64/tests/gtk/gtk_layer_tests
  # The long cuts' timing is the amd64 program's to prove; under qemu
  # every answer is slower.
  run_suite "end-to-end tests (arm64 under qemu, AT-SPI)" \
    env QARVEL_E2E_LONG_CUTS=0 tests/gtk/session.sh /usr/bin/python3 tests/gtk/e2e_driver.py build/root-arm64/qarvel-under-qemu
}

# Each build's Wine suites run side by side with the other's and with the
# native programs': a Wine suite spends most of its time waiting for
# windows and wineserver round trips, each in a prefix and on an X display
# of its own. Reported in order after.
echo "== side by side: the Wine suites of each build, the native programs' suites"
native_lane &
lanes=($!)
arm64_lane &
lanes+=($!)
wine_suites=0
for build in win64 win32; do
  [ -z "${not_run[$build]:-}" ] || continue
  wine_lane "$build" &
  lanes+=($!)
done
for lane in "${lanes[@]}" "$root_job"; do
  wait "$lane" || true
done
report "$root_suite"
for native in linux arm64; do
  while IFS= read -r name; do
    report "$name"
  done <"$logs/$native.order"
done
for build in win64 win32; do
  [ -z "${not_run[$build]:-}" ] || continue
  while IFS= read -r name; do
    report "$name"
    wine_suites=$((wine_suites + 1))
  done <"$logs/$build.order"
done

echo "== release files: reproducible, installed here and in the Debian 11 root, started, purged"
suite "release tests" tests/release/run-release-tests.sh

echo "== summary"
echo "Linux build: layer tests and end-to-end tests through AT-SPI, under zh_CN.UTF-8"
echo "arm64 Linux build (Debian 11 root): the same, under qemu-aarch64"
for build in win64 win32; do
  if [ -n "${not_run[$build]:-}" ]; then
    echo "${build^} build: not run: ${not_run[$build]}"
  else
    echo "${build^} build: layer and end-to-end tests under ${locales[*]}; dialog layout at 96 ${scales[*]} dpi"
  fi
done
if [ "$wine_suites" -eq 0 ]; then
  failed+=("no Wine suite ran")
  total_failed=$((total_failed + 1))
fi
if [ "${#failed[@]}" -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
fi
echo "total: $total_passed passed, $total_failed failed"
[ "${#failed[@]}" -eq 0 ]

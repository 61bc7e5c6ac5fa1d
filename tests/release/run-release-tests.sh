#!/usr/bin/env bash
# The release files, as a user gets them: scripts/release.sh in two clean
# clones (two folders, one after the other, in two time zones) must give
# byte-identical dist/ folders with no build path inside; the .deb must
# install with apt-get, start the dialog with its Chinese caption under
# Xvfb in a fresh per-user prefix, and purge without a trace.
#
# Usage: tests/release/run-release-tests.sh   (as root, or with sudo)
# Tests the last commit (the clones are of it), and ends with the line
# "N passed, M failed". Leaves the package uninstalled.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"
SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo -n)
APT=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600)

tmp="$(mktemp -d "${TMPDIR:-/tmp}/release-tests.XXXXXX")"
passed=0 failed=0
check() {  # check NAME COMMAND...: runs it, counts and reports the result
  local name="$1"; shift
  if "$@"; then echo "PASS $name"; passed=$((passed + 1))
  else echo "FAIL $name"; failed=$((failed + 1)); fi
}

# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
WINE_ENV_QUIET=1
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  [ -d "$tmp/data/qarvel/wineprefix" ] && WINEPREFIX="$tmp/data/qarvel/wineprefix" wineserver -k 2>/dev/null
  wine_xvfb_stop
  if dpkg-query -W -f='${db:Status-Abbrev}' qarvel 2>/dev/null | grep -q '^i'; then
    "${SUDO[@]}" "${APT[@]}" purge qarvel >/dev/null 2>&1
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

if dpkg-query -W -f='${db:Status-Abbrev}' qarvel 2>/dev/null | grep -q '^i'; then
  echo "run-release-tests: qarvel is installed here; purge it first" >&2
  echo "0 passed, 1 failed"; exit 1
fi

# --- two clean builds ----------------------------------------------------
build_in() {  # build_in FOLDER [ENV...]: a clone of the last commit, released
  local dir="$1"; shift
  git clone -q "$repo" "$dir" && env "$@" "$dir/scripts/release.sh" >"$dir.log" 2>&1 \
    || { tail -20 "$dir.log"; return 1; }
}
a="$tmp/a/qarvel" b="$tmp/second-build/src"
check "release.sh in a clean clone" build_in "$a" TZ=UTC
check "release.sh in a second clone, elsewhere, later" build_in "$b" TZ=Asia/Shanghai
check "dist/ is byte-identical" diff -r "$a/dist" "$b/dist"
check "SHA256SUMS matches both files" bash -c "cd '$a/dist' && sha256sum --quiet -c SHA256SUMS"

deb="$(ls "$a"/dist/qarvel_*_all.deb 2>/dev/null | head -1)"
zip="$(ls "$a"/dist/Qarvel-*-win32.zip 2>/dev/null | head -1)"
mkdir -p "$tmp/unpacked/zip" "$tmp/unpacked/deb"
unzip -q "$zip" -d "$tmp/unpacked/zip" && dpkg-deb -x "$deb" "$tmp/unpacked/deb"
check "the zip holds Qarvel.exe, 使用说明.txt and LICENSE only" \
  test "$(LC_ALL=C.UTF-8 zipinfo -1 "$zip" | sort | tr '\n' ' ')" = "LICENSE Qarvel.exe 使用说明.txt "
# The clones' folders would be the build paths: neither may appear.
check "no build path in the files" \
  bash -c "! grep -rlaF -e '$a' -e '$b' -e '$repo' '$tmp/unpacked' '$a/dist'"
pe="$(i686-w64-mingw32-objdump -p "$tmp/unpacked/zip/Qarvel.exe")"
for field in "Time/Date		Thu Jan  1 00:00:00 1970" "MajorOSystemVersion	6" \
             "MinorOSystemVersion	0" "MajorSubsystemVersion	6" "MinorSubsystemVersion	0"; do
  check "PE header: ${field//	/ }" grep -qF "$field" <<<"$pe"
done

# --- install, start, purge ----------------------------------------------
# What exists of the package's paths before it is installed (shared folders).
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$tmp/paths"
while read -r p; do [ -e "$p" ] && echo "$p"; done <"$tmp/paths" >"$tmp/existed"

apt_get() {  # apt_get ARGS...: as root, its output in apt.log (shown on failure)
  "${SUDO[@]}" "${APT[@]}" "$@" >>"$tmp/apt.log" 2>&1 || { tail -20 "$tmp/apt.log"; return 1; }
}
check "apt-get install ./qarvel_…deb" apt_get install "$deb"

started() {
  wine_xvfb_start || return 1
  # A user of a non-Chinese locale, with a home of their own.
  export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" LC_ALL=C.UTF-8
  mkdir -p "$HOME"
  qarvel >"$tmp/qarvel.log" 2>&1 &
  program=$!
  local prefix="$XDG_DATA_HOME/qarvel/wineprefix"
  # Wait for the launcher's own set-up before joining its prefix.
  for _ in $(seq 1 240); do
    [ -f "$prefix/.qarvel-setup" ] && break
    kill -0 "$program" 2>/dev/null || { cat "$tmp/qarvel.log"; return 1; }
    sleep 0.5
  done
  WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all \
    wine "$a/build/release/tests/win32/wait_dialog.exe" 60 | tr -d '\r' || return 1
  sleep 1
  mkdir -p "$repo/build" && wine_screenshot "$repo/build/release-test-screenshot.png" 2>/dev/null || true
}
build_wait() { cmake --build "$a/build/release" --target wait_dialog >/dev/null; }
check "build the dialog wait" build_wait
check "qarvel shows the dialog \"Mp3剪切工具[Qarvel]\" in a fresh prefix" started

check "apt-get purge qarvel" apt_get purge qarvel
left_behind() {  # a path of the package that exists now but did not before
  local p
  while read -r p; do
    [ -e "$p" ] && ! grep -qxF "$p" "$tmp/existed" && { echo "left: $p"; return 0; }
  done <"$tmp/paths"
  return 1
}
check "nothing of the package is left" bash -c "$(declare -f left_behind); tmp='$tmp'; ! left_behind"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

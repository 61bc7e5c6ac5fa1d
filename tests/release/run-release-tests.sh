#!/usr/bin/env bash
# The release files, as a user gets them: scripts/release.sh in two clean
# clones (two folders, one after the other, in two time zones) must give
# byte-identical dist/ folders with no build path inside; each zip holds the
# program of its architecture, with its asInvoker-only manifest; the .deb
# (amd64, on 64-bit Wine only) must install with apt-get, start the dialog with its Chinese caption under
# Xvfb in a fresh per-user prefix beside the 32-bit one of the package's
# first revision, through the 64-bit loader alone, and purge without a
# trace. Runs on a machine that executes no 32-bit code.
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
  [ -d "$tmp/data/qarvel/wineprefix64" ] && WINEPREFIX="$tmp/data/qarvel/wineprefix64" wineserver -k 2>/dev/null
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

deb="$(ls "$a"/dist/qarvel_*_amd64.deb 2>/dev/null | head -1)"
check "the package is amd64 and needs no 32-bit Wine" \
  test "$(dpkg-deb -f "$deb" Architecture Depends 2>/dev/null | tr '\n' ' ')" \
       = "Architecture: amd64 Depends: wine64, fonts-wine, fonts-wqy-zenhei "
mkdir -p "$tmp/unpacked/deb"
dpkg-deb -x "$deb" "$tmp/unpacked/deb"
# Each zip: its entries, and its program's PE header (the machine it is for,
# no link time, Vista as the oldest system).
for windows in win32 win64; do
  zip="$(ls "$a"/dist/Qarvel-*-$windows.zip 2>/dev/null | head -1)"
  mkdir -p "$tmp/unpacked/$windows"
  unzip -q "$zip" -d "$tmp/unpacked/$windows"
  check "the $windows zip holds Qarvel.exe, 使用说明.txt and LICENSE only" \
    test "$(LC_ALL=C.UTF-8 zipinfo -1 "$zip" | sort | tr '\n' ' ')" = "LICENSE Qarvel.exe 使用说明.txt "
  # Without it Windows virtualizes the 32-bit program's writes into
  # protected folders; with more in it the dialog would change its look.
  check "the $windows program's manifest asks asInvoker, no UI access, nothing else" \
    python3 "$repo/tests/release/check_manifest.py" "$tmp/unpacked/$windows/Qarvel.exe"
  magic="Magic			010b	(PE32)"
  [ "$windows" = win64 ] && magic="Magic			020b	(PE32+)"
  pe="$(x86_64-w64-mingw32-objdump -p "$tmp/unpacked/$windows/Qarvel.exe")"
  for field in "$magic" "Time/Date		Thu Jan  1 00:00:00 1970" "MajorOSystemVersion	6" \
               "MinorOSystemVersion	0" "MajorSubsystemVersion	6" "MinorSubsystemVersion	0"; do
    check "$windows PE header: ${field//	/ }" grep -qF "$field" <<<"$pe"
  done
done
check "the package holds the Win64 zip's Qarvel.exe" \
  cmp -s "$tmp/unpacked/deb/usr/lib/qarvel/Qarvel.exe" "$tmp/unpacked/win64/Qarvel.exe"
# The clones' folders would be the build paths: neither may appear.
check "no build path in the files" \
  bash -c "! grep -rlaF -e '$a' -e '$b' -e '$repo' '$tmp/unpacked' '$a/dist'"

# --- install, start, purge ----------------------------------------------
# What exists of the package's paths before it is installed (shared folders).
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$tmp/paths"
while read -r p; do [ -e "$p" ] && echo "$p"; done <"$tmp/paths" >"$tmp/existed"

apt_get() {  # apt_get ARGS...: as root, its output in apt.log (shown on failure)
  "${SUDO[@]}" "${APT[@]}" "$@" >>"$tmp/apt.log" 2>&1 || { tail -20 "$tmp/apt.log"; return 1; }
}
check "apt-get install ./qarvel_…deb" apt_get install "$deb"

# Processes of the prefix that run the 32-bit loader: none may, for the
# package to start on a machine that executes no 32-bit code.
thirty_two_bit_in() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid="${environ#/proc/}"; pid="${pid%/environ}"
    tr '\0' '\n' 2>/dev/null <"$environ" | grep -qxF "WINEPREFIX=$1" || continue
    case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
      */wine|*/wine-preloader) echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline")" ;;
    esac
  done
}
sums_in() { (cd "$1" && find . -type f -exec sha256sum {} + | sort); }
started() {
  wine_xvfb_start || return 1
  # A user of a non-Chinese locale, with a home of their own and the 32-bit
  # prefix that revision 1 of the package made (as Wine marks one).
  export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" LC_ALL=C.UTF-8
  local old="$XDG_DATA_HOME/qarvel/wineprefix" prefix="$XDG_DATA_HOME/qarvel/wineprefix64"
  mkdir -p "$HOME" "$old"
  printf 'WINE REGISTRY Version 2\n#arch=win32\n' >"$old/system.reg"
  echo 2 >"$old/.qarvel-setup"
  sums_in "$old" >"$tmp/old-prefix"
  qarvel >"$tmp/qarvel.log" 2>&1 &
  program=$!
  # Wait for the launcher's own set-up before joining its prefix.
  for _ in $(seq 1 240); do
    [ "$(cat "$prefix/.qarvel-setup" 2>/dev/null)" = 3 ] && break
    kill -0 "$program" 2>/dev/null || { cat "$tmp/qarvel.log"; return 1; }
    sleep 0.5
  done
  WINEPREFIX="$prefix" WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all \
    /usr/lib/wine/wine64 "$a/build/release/win64/tests/win32/wait_dialog.exe" 60 | tr -d '\r' || return 1
  sleep 1
  mkdir -p "$repo/build" && wine_screenshot "$repo/build/release-test-screenshot.png" 2>/dev/null || true
  local found
  found="$(thirty_two_bit_in "$prefix")"
  [ -z "$found" ] || { echo "32-bit loader running: $found"; return 1; }
  sums_in "$old" | cmp -s - "$tmp/old-prefix" \
    || { echo "the old prefix changed"; return 1; }
}
build_wait() { cmake --build "$a/build/release/win64" --target wait_dialog >/dev/null; }
check "build the dialog wait" build_wait
check "qarvel shows the dialog \"Mp3剪切工具[Qarvel]\" in a fresh 64-bit prefix, by the 64-bit loader alone, beside an old 32-bit one left as it was" started

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

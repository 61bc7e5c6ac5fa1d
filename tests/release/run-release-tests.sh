# The release files, as a user gets them: scripts/release.sh in two clean
# clones (two folders, one after the other, in two time zones) must give
# byte-identical dist/ folders with no build path inside; each zip holds the
# program of its architecture, with its asInvoker-only manifest; the two
# .debs, the native GTK 3 program for amd64 and arm64, must each hold the
# program of its architecture, need no Wine, pass lintian, and ask only for
# what Debian 10, Ubuntu 20.04 and Debian 13 have (check_depends.py); apt
# must resolve each on an empty Debian 11 system (in the build root); the
# amd64 one must install with apt-get in the Debian 11 root and cut a file
# there through AT-SPI; on this machine it must pass AppStream's and the
# desktop entry's checks, install with apt-get, show the dialog with its
# Chinese caption under Xvfb, cut a file as a screen reader's user would
# (tests/gtk/e2e_driver.py), leave the Wine prefixes of the Wine revisions
# as they were, and purge without a trace.
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

# For its Xvfb helpers: an X server of the test's own (no Wine here).
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"
WINE_ENV_QUIET=1 WINE_ENV_FORCE_XVFB=1
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
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
check "SHA256SUMS matches the four files" bash -c "cd '$a/dist' && sha256sum --quiet -c SHA256SUMS"

# Each package: the program of its architecture, no Wine, lintian clean,
# no maintainer scripts (nothing of the package's own runs as root in the
# users' homes, where the Wine revisions' prefixes are).
declare -A machine=([amd64]="Advanced Micro Devices X86-64" [arm64]=AArch64)
for arch in amd64 arm64; do
  deb="$(ls "$a"/dist/qarvel_*_$arch.deb 2>/dev/null | head -1)"
  check "dist/ has the $arch package" test -f "$deb"
  mkdir -p "$tmp/unpacked/$arch"
  dpkg-deb -x "$deb" "$tmp/unpacked/$arch"
  check "the $arch package's program is for $arch (${machine[$arch]})" \
    bash -c "readelf -h '$tmp/unpacked/$arch/usr/bin/qarvel' | grep -q 'Machine: *${machine[$arch]}\$'"
  check "the $arch package depends on no Wine" bash -c "! dpkg-deb -f '$deb' Depends | grep -qi wine"
  check "lintian $arch: no errors, no warnings" lintian --fail-on error,warning "$deb"
  check "the $arch package has no maintainer scripts" \
    test "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | tr '\n' ' ')" = "./ ./control ./md5sums "
done
check "each package's Depends are met on Debian 10, Ubuntu 20.04 and Debian 13" \
  /usr/bin/python3 "$repo/tests/release/check_depends.py" "$a"/dist/qarvel_*_amd64.deb "$a"/dist/qarvel_*_arm64.deb

# What apt-get would install on a system that has nothing yet (an empty
# package status), so that what is installed already hides nothing:
#   APT-GET "${on_empty_system[@]}" [OPTION...] DEB
: >"$tmp/empty-status"
on_empty_system=(install --simulate -o Dir::State::status="$tmp/empty-status")

# In the Debian 11 root (the build root, in an overlay of its own): apt
# resolves each package on an empty system of its architecture from
# Debian 11's archive (the root keeps its package lists); the amd64 one
# installs there, starts and cuts through AT-SPI, the session's X and
# D-Bus sockets reached through the root's /tmp.
root="$("$repo/scripts/build-root.sh")"
resolves_in_root() {  # resolves_in_root ARCH DEB
  local sim
  sim="$(QARVEL_ROOT="$root" "$repo/scripts/in-root.sh" apt-get "${on_empty_system[@]}" \
           -o APT::Architecture="$1" -o APT::Architectures::="$1" "$2" 2>&1)" \
    || { tail -5 <<<"$sim"; return 1; }
  grep -q "^Inst qarvel (.*\[$1\])" <<<"$sim" && grep -q "^Inst libgtk-3-0 (.*\[$1\])" <<<"$sim"
}
for arch in amd64 arm64; do
  check "apt resolves the $arch package on an empty Debian 11 $arch system" \
    resolves_in_root "$arch" "$(ls "$a"/dist/qarvel_*_$arch.deb)"
done
deb="$(ls "$a"/dist/qarvel_*_amd64.deb 2>/dev/null | head -1)"
# One overlay for both: the program the driver starts is the one installed.
printf '#!/bin/sh\nQARVEL_ROOT=%s exec %s --upper %s "$@"\n' \
  "$root" "$repo/scripts/in-root.sh" "$tmp/root-changes" >"$tmp/in-root"
printf '#!/bin/sh\nexec %s /usr/bin/qarvel "$@"\n' "$tmp/in-root" >"$tmp/qarvel-in-root"
chmod +x "$tmp/in-root" "$tmp/qarvel-in-root"
installs_in_root() {
  "$tmp/in-root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$tmp/root-apt.log" 2>&1 \
    || { tail -20 "$tmp/root-apt.log"; return 1; }
}
check "apt-get install ./qarvel_…_amd64.deb in the Debian 11 root" installs_in_root
check "the qarvel installed in the Debian 11 root cuts through AT-SPI" \
  "$repo/tests/gtk/session.sh" /usr/bin/python3 "$repo/tests/gtk/e2e_driver.py" "$tmp/qarvel-in-root" \
  typical_cut every_field_is_named_from_its_label

# And on this machine, with no Wine.
no_wine_pulled() {
  local sim
  sim="$(apt-get "${on_empty_system[@]}" "$deb" 2>&1)" || { tail -5 <<<"$sim"; return 1; }
  grep -q '^Inst qarvel ' <<<"$sim" && ! grep '^Inst wine' <<<"$sim"
}
check "apt-get install ./qarvel_…_amd64.deb pulls in no Wine, on an empty system here" no_wine_pulled
check "desktop-file-validate qarvel.desktop" \
  desktop-file-validate "$tmp/unpacked/amd64/usr/share/applications/qarvel.desktop"
# The metainfo, and that its launchable names the package's desktop entry.
check "appstreamcli validate-tree --no-net" appstreamcli validate-tree --no-net "$tmp/unpacked/amd64"
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

# A user of a non-Chinese locale, with a home of their own and the Wine
# prefixes that revisions 1 and 2 of the package made: neither may change
# (the guide tells the user they may delete them by hand).
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" LC_ALL=C.UTF-8
for old in wineprefix wineprefix64; do
  mkdir -p "$HOME" "$XDG_DATA_HOME/qarvel/$old/drive_c/users"
  printf 'WINE REGISTRY Version 2\n' >"$XDG_DATA_HOME/qarvel/$old/system.reg"
  echo "a user's file" >"$XDG_DATA_HOME/qarvel/$old/drive_c/users/notes.txt"
done
sums_in() { (cd "$1" && find . -printf '%p %y %m\n' -type f -exec sha256sum {} + | sort); }
sums_in "$XDG_DATA_HOME/qarvel" >"$tmp/old-prefixes"
old_prefixes_kept() { sums_in "$XDG_DATA_HOME/qarvel" | diff "$tmp/old-prefixes" -; }

# The dialog's top-level window, as xwininfo lists it: caption and WM_CLASS.
window_line() { xwininfo -root -tree | grep -F '"Mp3剪切工具[Qarvel]": ('; }
# One run saw the X server refuse the program just after it had answered
# the probe, which did not happen again in 400 tries. Should it recur: the
# server's log and a new client's view are shown, and the program is
# started once more, on a new server.
display_refused() {
  grep -q 'cannot open the display' "$tmp/qarvel.log" || return 1
  echo "DISPLAY=$DISPLAY refused qarvel; xdpyinfo now: $(xdpyinfo >/dev/null 2>&1 && echo answers || echo refused)"
  tail -5 "$repo/build/xvfb.log" 2>/dev/null
  wine_xvfb_stop
}
started() {
  wine_xvfb_start || return 1
  /usr/bin/qarvel >"$tmp/qarvel.log" 2>&1 &
  program=$!
  for _ in $(seq 1 100); do
    window_line >/dev/null && break
    if ! kill -0 "$program" 2>/dev/null; then
      cat "$tmp/qarvel.log"
      [ "${1:-}" != again ] && display_refused && { started again; return; }
      return 1
    fi
    sleep 0.1
  done
  window_line || { xwininfo -root -tree; cat "$tmp/qarvel.log"; return 1; }
  sleep 0.5
  mkdir -p "$repo/build" && wine_screenshot "$repo/build/release-test-screenshot.png" 2>/dev/null || true
  kill -0 "$program" 2>/dev/null || { echo "it ended"; cat "$tmp/qarvel.log"; return 1; }
}
check "qarvel shows the dialog \"Mp3剪切工具[Qarvel]\" under a non-Chinese locale" started
# The desktop entry's StartupWMClass, by which a dock ties the window to it.
check "its WM_CLASS is \"qarvel\", as the desktop entry says" \
  bash -c "$(declare -f window_line); window_line | grep -qF '(\"qarvel\" '"
kill "$program" 2>/dev/null; wait "$program" 2>/dev/null; program=
# As a user and a screen reader see it: the installed program found on the
# accessibility bus, its fields by their labels, a whole cut written byte
# for byte.
check "the installed qarvel cuts through AT-SPI" \
  "$repo/tests/gtk/session.sh" /usr/bin/python3 "$repo/tests/gtk/e2e_driver.py" /usr/bin/qarvel \
  typical_cut every_field_is_named_from_its_label

check "apt-get purge qarvel" apt_get purge qarvel
left_behind() {  # a path of the package that exists now but did not before
  local p
  while read -r p; do
    [ -e "$p" ] && ! grep -qxF "$p" "$tmp/existed" && { echo "left: $p"; return 0; }
  done <"$tmp/paths"
  return 1
}
check "nothing of the package is left" bash -c "$(declare -f left_behind); tmp='$tmp'; ! left_behind"
check "the Wine revisions' prefixes are as they were, after install, start and purge" old_prefixes_kept

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

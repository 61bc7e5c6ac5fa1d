#!/usr/bin/env bash
# Install every Debian 12 package this project needs: the native build and
# test tools, the MinGW-w64 i686 and x86_64 cross compilers, 64-bit Wine,
# Xvfb and the helpers for screenshots, plus the locales that the Wine tests
# run under (Wine derives the Windows ANSI code page from the locale: zh_CN
# gives 936, en_US 1252, ja_JP 932, hi_IN 65001). 32-bit Wine, with the i386
# architecture, only where the machine runs 32-bit x86 code
# (scripts/runs-win32.sh; QARVEL_WIN64_ONLY=1 leaves it out anywhere).
#
# Idempotent: when everything is already in place it only runs a few
# dpkg-query/locale checks and exits (about a second).
#
# Usage: scripts/install-deps.sh [--force]
#   --force   run the apt steps even when the quick check passes
# Runs as root, or through sudo when that is available. Non-interactive.
set -euo pipefail

FORCE=0
for arg in "$@"; do
  case "$arg" in
    --force) FORCE=1 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "install-deps: unknown argument: $arg" >&2; exit 2 ;;
  esac
done

# Native build and test tools; binutils also makes the 32-bit probe.
NATIVE_PKGS=(
  g++ binutils cmake make libgtest-dev googletest clang libclang-rt-14-dev
)
# i686 and x86_64 cross compilers, "posix" thread model: std::thread,
# std::mutex and std::condition_variable work (GCC 12's "win32" model lacks
# them, which also breaks GoogleTest's thread-safe build). Link with -static
# (or -static-libgcc -static-libstdc++ -Wl,-Bstatic -lwinpthread) so the
# .exe does not need libwinpthread-1.dll / libstdc++-6.dll at run time.
MINGW_TARGETS=(i686 x86_64)
CROSS_PKGS=(
  binutils-mingw-w64-i686 mingw-w64-i686-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
)
# 64-bit Wine plus the X libraries it loads at run time (installed without
# the long list of recommended packages: GL, gstreamer, pulse, ...).
WINE_PKGS=(
  wine wine64 fonts-wine fonts-wqy-zenhei
  libxrender1 libxrandr2 libxi6 libxcursor1
  libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
)
# 32-bit Wine and its X libraries, for the Win32 build's tests.
WINE32_PKGS=(
  wine32:i386
  libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386
  libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386
)
# Headless display, window tools, screenshots, locales.
DISPLAY_PKGS=(
  xvfb x11-utils imagemagick locales
)
# The native Linux program on GTK 3, and its end-to-end tests through the
# accessibility bus (pyatspi for Debian's own /usr/bin/python3), with a
# CJK font for its texts and zenity for the start-up benchmark's baseline.
GTK_PKGS=(
  libgtk-3-dev pkg-config at-spi2-core python3-pyatspi dbus dbus-x11
  fonts-wqy-zenhei zenity xclip
)
# The cut on the file systems a user saves to (tests/mounts/): FAT and
# exFAT images mounted through FUSE, as sticks are where the kernel has no
# driver for them.
MOUNT_PKGS=(fuse3 fusefat dosfstools exfatprogs exfat-fuse python3-fusepy)
# The release files and their tests (scripts/release.sh, tests/release/).
RELEASE_PKGS=(git python3 unzip)
# The Debian package: dpkg-shlibdeps for its Depends, and the checks the
# release tests run on it.
PACKAGE_PKGS=(dpkg-dev lintian appstream desktop-file-utils)
# The Linux packages' build root, Debian 11 made with mmdebstrap
# (scripts/build-root.sh), and the arm64 program run under qemu-aarch64.
ROOT_PKGS=(mmdebstrap debian-archive-keyring qemu-user)
# Nice to have; a failure to install these is not fatal.
OPTIONAL_PKGS=(ninja-build xdotool)

REQUIRED_PKGS=("${NATIVE_PKGS[@]}" "${CROSS_PKGS[@]}" "${WINE_PKGS[@]}" "${DISPLAY_PKGS[@]}"
               "${GTK_PKGS[@]}" "${MOUNT_PKGS[@]}" "${RELEASE_PKGS[@]}" "${PACKAGE_PKGS[@]}"
               "${ROOT_PKGS[@]}")

LOCALES=(zh_CN en_US ja_JP hi_IN)

log() { printf 'install-deps: %s\n' "$*" >&2; }

# apt-get update, tried again after a pause when an index fails: a mirror
# in the middle of a sync serves a Packages file of the wrong size for a
# while ("Mirror sync in progress?"), and apt then exits 100. What it did
# fetch is kept, so after the last try the install goes on with those lists
# and fails only if a package is really missing from them.
apt_update() {
  local try
  for try in 1 2 3; do
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=600 update && return 0
    [ "$try" -eq 3 ] || { log "apt-get update failed (try $try of 3); again in $((try * 15)) s"; sleep $((try * 15)); }
  done
  log "apt-get update failed 3 times; going on with the package lists it did fetch"
}

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo -n)
  else
    log "must run as root (or with sudo available)"
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
APT_OPTS=(-y -q --no-install-recommends -o DPkg::Lock::Timeout=600
          -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)

# 32-bit Wine only where it can run: elsewhere it installs, then cannot
# start. The probe is a 32-bit program that binutils makes.
if ! command -v as >/dev/null 2>&1; then
  log "installing binutils, to ask whether this machine runs 32-bit x86 code"
  apt_update
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${APT_OPTS[@]}" install binutils
fi
WANT_WINE32=0
if why="$("$(dirname "${BASH_SOURCE[0]}")/runs-win32.sh")"; then
  WANT_WINE32=1
fi

# Prints the packages of "$@" that are not fully installed.
missing_pkgs() {
  local p status
  for p in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
    [ "${status:0:2}" = "ii" ] || printf '%s\n' "$p"
  done
}

has_i386() { dpkg --print-foreign-architectures | grep -x i386 >/dev/null; }

has_locale() { locale -a 2>/dev/null | grep -ix "$1\\.utf-\\?8" >/dev/null; }

missing_locales() {
  local l
  for l in "${LOCALES[@]}"; do
    has_locale "$l" || printf '%s\n' "$l"
  done
}

# The plain <target>-w64-mingw32-gcc/g++ names point at the posix variant.
alt_ok() {
  local m t
  for m in "${MINGW_TARGETS[@]}"; do
    for t in gcc g++; do
      [ "$(readlink -f "/usr/bin/$m-w64-mingw32-$t" 2>/dev/null || true)" \
        = "/usr/bin/$m-w64-mingw32-$t-posix" ] || return 1
    done
  done
}

all_present() {
  [ "$WANT_WINE32" -eq 0 ] || has_i386 || return 1
  [ -z "$(missing_pkgs "${REQUIRED_PKGS[@]}")" ] || return 1
  [ -z "$(missing_locales)" ] || return 1
  alt_ok || return 1
}

if [ "$FORCE" -eq 0 ] && all_present; then
  log "all dependencies already present"
  exit 0
fi

if [ "$WANT_WINE32" -eq 0 ]; then
  log "no 32-bit Wine: $why"
elif ! has_i386; then
  log "enabling the i386 architecture"
  "${SUDO[@]}" dpkg --add-architecture i386
fi

mapfile -t TODO < <(missing_pkgs "${REQUIRED_PKGS[@]}" "${OPTIONAL_PKGS[@]}")
if [ "$FORCE" -eq 1 ] || [ "${#TODO[@]}" -gt 0 ]; then
  log "apt-get update"
  apt_update
  mapfile -t TODO_REQ < <(missing_pkgs "${REQUIRED_PKGS[@]}")
  [ "$FORCE" -eq 1 ] && TODO_REQ=("${REQUIRED_PKGS[@]}")
  if [ "${#TODO_REQ[@]}" -gt 0 ]; then
    log "installing: ${TODO_REQ[*]}"
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${APT_OPTS[@]}" install "${TODO_REQ[@]}"
  fi
  # 32-bit Wine on its own: its i386 libraries must be the very versions
  # of their amd64 twins, and a mirror whose i386 index is out of step
  # (seen here: bookworm-security's, for days) makes it uninstallable. The
  # Win32 build's tests are then reported as not run (runs-win32.sh --wine)
  # and everything else goes on; --force tries again.
  if [ "$WANT_WINE32" -eq 1 ] && [ -n "$(missing_pkgs "${WINE32_PKGS[@]}")" ]; then
    log "installing 32-bit Wine: ${WINE32_PKGS[*]}"
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${APT_OPTS[@]}" install "${WINE32_PKGS[@]}" \
      || log "32-bit Wine could not be installed (ignored: the Win32 build's tests will not run)"
  fi
  mapfile -t TODO_OPT < <(missing_pkgs "${OPTIONAL_PKGS[@]}")
  for p in "${TODO_OPT[@]}"; do
    log "installing optional: $p"
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${APT_OPTS[@]}" install "$p" \
      || log "optional package $p could not be installed (ignored)"
  done
fi

if ! alt_ok; then
  log "selecting the posix thread model for the MinGW-w64 gcc/g++"
  for m in "${MINGW_TARGETS[@]}"; do
    for t in gcc g++; do
      "${SUDO[@]}" update-alternatives --set "$m-w64-mingw32-$t" "/usr/bin/$m-w64-mingw32-$t-posix" >/dev/null
    done
  done
fi

for l in $(missing_locales); do
  name="$l.UTF-8"
  log "generating the $name locale"
  # Keep it listed in /etc/locale.gen so a later locale-gen keeps it too.
  if [ -f /etc/locale.gen ] && grep -q "^# *$name UTF-8" /etc/locale.gen; then
    "${SUDO[@]}" sed -i "s/^# *\($name UTF-8\)/\1/" /etc/locale.gen
  elif ! grep -q "^$name UTF-8" /etc/locale.gen 2>/dev/null; then
    echo "$name UTF-8" | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  # localedef builds just this one (locale-gen would rebuild every listed one).
  "${SUDO[@]}" localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$name"
done

if ! all_present; then
  log "still missing after install:"
  [ "$WANT_WINE32" -eq 0 ] || has_i386 || log "  i386 architecture"
  missing_pkgs "${REQUIRED_PKGS[@]}" | sed 's/^/install-deps:   /' >&2
  missing_locales | sed 's/^/install-deps:   locale /' >&2
  alt_ok || log "  posix alternatives for the MinGW-w64 gcc/g++"
  exit 1
fi
log "done"

#!/usr/bin/env bash
# Makes the build root of the Linux packages and prints its path: Debian 11
# ("bullseye"), the oldest base among the systems the packages are for, so
# that dpkg-shlibdeps asks only for what that base has. amd64, with arm64
# as a foreign architecture: Debian's cross compiler and the -dev packages
# of both. Made with mmdebstrap from the archive that apt here uses.
#
# Cached under ${XDG_CACHE_HOME:-~/.cache}/qarvel/, in a folder named after
# this file's hash: a change to what goes in (this file) makes a new root,
# and the old one is removed. The root is never changed once made
# (scripts/in-root.sh runs commands in an overlay of it). Several callers
# at once wait for one creation.
#
# Usage: scripts/build-root.sh     (as root)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)"

# When the archive stops serving bullseye (it moves to Debian's archive of
# old releases), the root can be made from there: the same suite, that
# archive's address as mmdebstrap's mirror, and its expired Release file
# accepted (--aptopt='Acquire::Check-Valid-Until "false"'). Or it moves up
# to bookworm: Depends then ask libc6 (>= 2.34), and Debian 10 and 11,
# Ubuntu 20.04, UOS 20, Deepin 20 and Kylin V10 are left behind.
suite=bullseye
# The programs' build, the layer tests' GoogleTest, make_deb.sh's tools; a
# CJK font and the Chinese locale for the program started in the root.
packages=(
  build-essential crossbuild-essential-arm64 cmake pkg-config python3 dpkg-dev
  libgtk-3-dev libgtest-dev libgtk-3-dev:arm64 libgtest-dev:arm64
  fonts-wqy-zenhei locales
)

cache="${XDG_CACHE_HOME:-$HOME/.cache}/qarvel"
key="$(sha256sum "$here/build-root.sh" | cut -c1-16)"
root="$cache/$suite-$key"
if [ -e "$root/.complete" ]; then
  echo "$root"
  exit 0
fi
mkdir -p "$cache"
exec 9>"$cache/root.lock"
flock 9
[ -e "$root/.complete" ] && { echo "$root"; exit 0; }

log() { printf 'build-root: %s\n' "$*" >&2; }
# Debian's archive as apt here has it configured (sources.list or
# sources.list.d): the first source whose Release file says Debian.
mirror="$(apt-get indextargets --format '$(ORIGIN)|$(LABEL)|$(REPO_URI)' 'Created-By: Packages' \
          | awk -F'|' '$1 == "Debian" && $2 == "Debian" { print $3; exit }')"
if [ -z "$mirror" ]; then
  log "apt knows no Debian archive here (after apt-get update, its Release file says Origin: Debian)"
  exit 1
fi

rm -rf "$cache/$suite"-*
new="$root.new"
log "making a Debian 11 ($suite) root from $mirror in $root (a few minutes, about 2 GB)"
start=$SECONDS
# No manuals or documents: nothing in the root reads them. arm64's
# gdk-pixbuf loaders.cache is empty after installing, as its trigger cannot
# run an arm64 program: it is made again under qemu.
if ! mmdebstrap --variant=apt --architectures=amd64,arm64 --components=main \
    --aptopt='Acquire::Languages "none"' \
    --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*' \
    --dpkgopt='path-exclude=/usr/share/info/*' \
    --include="$(IFS=,; echo "${packages[*]}")" \
    --skip=cleanup/apt/lists \
    --customize-hook='chroot "$1" localedef -i zh_CN -c -f UTF-8 zh_CN.UTF-8' \
    --customize-hook='q=/usr/lib/aarch64-linux-gnu/gdk-pixbuf-2.0
      qemu-aarch64 -L "$1" "$1$q/gdk-pixbuf-query-loaders" >"$1$q/2.10.0/loaders.cache"
      grep -q libpixbufloader-png "$1$q/2.10.0/loaders.cache"' \
    "$suite" "$new" "$mirror" >"$cache/mmdebstrap.log" 2>&1; then
  rm -rf "$new"
  if grep -Eq "$suite.*(does not have|no longer has) a Release file" \
       "$cache/mmdebstrap.log"; then
    log "$mirror does not serve Debian 11 ($suite) any more; see scripts/build-root.sh"
  else
    tail -20 "$cache/mmdebstrap.log" >&2
    log "mmdebstrap failed making the $suite root (its log: $cache/mmdebstrap.log)"
  fi
  exit 1
fi
printf 'suite %s\nmirror %s\nmade %s\n' "$suite" "$mirror" "$(date -u +%FT%TZ)" >"$new/.complete"
mv "$new" "$root"
log "made in $((SECONDS - start)) s, $(du -sh "$root" | cut -f1)"
echo "$root"

#!/usr/bin/env bash
# Makes the Debian package of the native program:
# OUT_DIR/qarvel_<version>-<revision>_<arch>.deb, from the built binary and
# packaging/'s files, with no maintainer scripts (an upgrade from a Wine
# revision must not touch the prefixes in the users' homes).
#
# Reproducible: every time stamp is SOURCE_DATE_EPOCH (the last commit's
# when unset), owners root, files sorted, man pages and changelog gzipped
# without name or time; two runs on one binary give the same bytes.
#
# Usage: packaging/make_deb.sh QARVEL_BINARY OUT_DIR [ARCH]
#   ARCH  the binary's Debian architecture (amd64, arm64, ...); this
#         machine's when not given. Made on a machine of another
#         architecture, its libraries of ARCH must be installed here
#         (multiarch), as the build root has them.
set -euo pipefail
[ "$#" -eq 2 ] || [ "$#" -eq 3 ] || { sed -n '2,15p' "$0" >&2; exit 2; }
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)"
repo="$(dirname "$here")"
binary="$1" out="$2" arch="${3:-$(dpkg --print-architecture)}"

SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$repo" log -1 --format=%ct)}"
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
umask 022

version="$(sed -n 's/^project(Qarvel VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")"
# With the Debian revision, from the changelog's last entry.
full="$(dpkg-parsechangelog -l "$here/changelog.Debian" -S Version)"
[ "${full%-*}" = "$version" ] || { echo "make_deb: changelog.Debian is not at $version" >&2; exit 1; }
# The tools of the binary's architecture: its strip; dpkg-shlibdeps's
# objdump and library folders follow DEB_HOST_ARCH. (Asked for the name
# only, dpkg-architecture warns that CC is this machine's compiler.)
triplet="$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)"
[ -n "$triplet" ] || { echo "make_deb: no GNU system type for $arch" >&2; exit 1; }
maintainer="$(dpkg-parsechangelog -l "$here/changelog.Debian" -S Maintainer)"
metainfo=io.github.qarvel.metainfo.xml

stage="$(mktemp -d "${TMPDIR:-/tmp}/qarvel-deb.XXXXXX")"
trap 'rm -rf "$stage"' EXIT
# Where dpkg-shlibdeps expects a package's files, beside its debian/control.
root="$stage/debian/qarvel"

install -D -m 0755 "$binary" "$root/usr/bin/qarvel"
# As dh_strip does: no symbols, no compiler's comment.
"$triplet-strip" --remove-section=.comment --remove-section=.note "$root/usr/bin/qarvel"
install -D -m 0644 "$here/qarvel.desktop" "$root/usr/share/applications/qarvel.desktop"
install -D -m 0644 "$here/$metainfo" "$root/usr/share/metainfo/$metainfo"
/usr/bin/python3 "$here/ico_to_png.py" "$repo/res/qarvel.ico" "$stage/icons"
install -D -m 0644 "$stage/icons/48x48.png" "$root/usr/share/icons/hicolor/48x48/apps/qarvel.png"
gzipped() {  # gzipped SOURCE DEST: as dh_compress does, no name or time inside
  install -d "$(dirname "$2")"
  gzip -n -9 <"$1" >"$2"
}
gzipped "$here/qarvel.1" "$root/usr/share/man/man1/qarvel.1.gz"
gzipped "$here/qarvel.zh_CN.1" "$root/usr/share/man/zh_CN/man1/qarvel.1.gz"
doc="$root/usr/share/doc/qarvel"
gzipped "$here/changelog.Debian" "$doc/changelog.Debian.gz"
install -m 0644 "$here/guide.zh_CN.txt" "$doc/guide.zh_CN.txt"
# The licence in the machine-readable form, its text from LICENSE.
{
  printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
  printf 'Upstream-Name: Qarvel\n\nFiles: *\n'
  sed -n 's/^Copyright (c) /Copyright: /p' "$repo/LICENSE"
  printf 'License: Expat\n\nLicense: Expat\n'
  sed -n '/^Permission/,$p' "$repo/LICENSE" | sed 's/^$/./; s/^/ /'
} >"$doc/copyright"

# Depends: the shared libraries the binary links, as dpkg-shlibdeps finds
# them (it reads a debian/control, so one is made for it), and a CJK font
# for the Chinese texts. The DEBIAN folder tells it where the package's
# files begin.
install -d "$root/DEBIAN"
printf 'Source: qarvel\n\nPackage: qarvel\nArchitecture: any\n' >"$stage/debian/control"
shlibs="$(cd "$stage" && DEB_HOST_ARCH="$arch" dpkg-shlibdeps -O debian/qarvel/usr/bin/qarvel \
          | sed -n 's/^shlibs:Depends=//p')"
[ -n "$shlibs" ] || { echo "make_deb: dpkg-shlibdeps found no libraries" >&2; exit 1; }
# Debian 10, and the systems built on it, have two of these libraries under
# their older package names: libgcc_s.so.1 in libgcc1 (whose versions have
# an epoch), gdk-pixbuf in libgdk-pixbuf2.0-0. Either name will do.
shlibs="$(sed -E 's/libgcc-s1 \(>= ([^)]*)\)/& | libgcc1 (>= 1:\1)/
                  s/libgdk-pixbuf-2\.0-0 \(>= ([^)]*)\)/& | libgdk-pixbuf2.0-0 (>= \1)/' <<<"$shlibs")"

# Installed-Size as dpkg-gencontrol counts it: KiB per file, rounded up,
# and one per folder or link.
size="$(find "$root" -mindepth 1 -path "$root/DEBIAN" -prune -o -printf '%y %s\n' \
        | awk '{ n += ($1 == "f") ? int(($2 + 1023) / 1024) : 1 } END { print n }')"

(cd "$root" && find usr -type f | sort | xargs md5sum) >"$root/DEBIAN/md5sums"
cat >"$root/DEBIAN/control" <<EOF
Package: qarvel
Version: $full
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $size
Depends: $shlibs, fonts-wqy-zenhei | fonts-noto-cjk
Section: sound
Priority: optional
Description: cut a piece out of an MP3 file by byte range
 Qarvel is a small tool with a Simplified Chinese dialog: it copies the
 bytes of an MP3 file from a start byte, as many as asked, into a new file.
 Start and end may be given in seconds; the bytes follow from a
 constant-rate estimate and may be corrected by hand. The audio is never
 decoded, and an existing file is never replaced.
 .
 This is the native GTK 3 program.
EOF

find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mkdir -p "$out"
deb="$out/qarvel_${full}_$arch.deb"
dpkg-deb --root-owner-group --build "$root" "$deb" >/dev/null
echo "$deb"

#!/usr/bin/env bash
# Builds the release files from the checkout into dist/: the Windows
# downloads Qarvel-<version>-win32.zip and Qarvel-<version>-win64.zip, the
# Debian packages qarvel_<version>-<revision>_amd64.deb and ..._arm64.deb
# (the native GTK 3 program, packaging/make_deb.sh), built in the Debian 11
# root (scripts/build-root.sh makes it the first time, in a few minutes),
# and SHA256SUMS for all four. No arguments; as root (the packages' root is
# mounted and entered).
#
# Reproducible: every time stamp is the last commit's (SOURCE_DATE_EPOCH),
# so two checkouts of one commit give the same bytes, wherever and whenever
# they are built. The version is the project's (CMakeLists.txt).
set -euo pipefail
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"

SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
export SOURCE_DATE_EPOCH
# Build tools that take the time zone or the locale into their output get
# the same ones everywhere.
export TZ=UTC LC_ALL=C.UTF-8
umask 022

build=build/release
rm -rf "$build" dist
# Each build makes only what is released, not every test program. Debian's
# Python (and its zlib) writes the zips and the dialog table, not whatever
# python3 comes first on the PATH (make_deb.sh calls it for the icon).
for windows in win32 win64; do
  cmake --preset "$windows" -B "$build/$windows" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
  cmake --build "$build/$windows" -j"$(nproc)" --target Qarvel qarvel_zip
done
# The Linux programs on the oldest base of the systems they are for, so
# that their Depends ask for no newer libraries than it has; packed there
# too, by its dpkg-shlibdeps. The root's folder is the same for every
# checkout (/src): no build path differs.
for arch in amd64 arm64; do
  scripts/build-in-root.sh "$arch" "$build/linux-$arch" qarvel >/dev/null
done

mkdir dist
cp "$build"/win32/Qarvel-*-win32.zip "$build"/win64/Qarvel-*-win64.zip dist/
for arch in amd64 arm64; do
  scripts/in-root.sh packaging/make_deb.sh "$build/linux-$arch/qarvel" dist "$arch" >/dev/null
done
(cd dist && sha256sum -- *.zip *.deb >SHA256SUMS)
ls -l dist

#!/usr/bin/env bash
# Builds the release files from the checkout into dist/: the Windows
# download Qarvel-<version>-win32.zip, the Debian package
# qarvel_<version>-1_all.deb, and SHA256SUMS for both. No arguments.
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
# The packages need only Qarvel.exe and the icon: cpack must not build
# every test program first. Debian's Python (and its zlib) writes the icon
# and the zip, not whatever python3 comes first on the PATH.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build "$build" -j"$(nproc)" --target Qarvel qarvel_icons qarvel_zip
(cd "$build" && cpack -G DEB >/dev/null)

mkdir dist
cp "$build"/Qarvel-*-win32.zip "$build"/qarvel_*.deb dist/
(cd dist && sha256sum -- *.zip *.deb >SHA256SUMS)
ls -l dist

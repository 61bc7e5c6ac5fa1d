#!/usr/bin/env bash
# Cross-builds Qarvel.exe and the Windows test programs, for 32-bit Windows
# into build/win32 and for 64-bit Windows into build/win64 (the CMake
# presets of those names).
#
# Usage: scripts/build-windows.sh [win32|win64]...   (default: both)
set -euo pipefail
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"
[ "$#" -gt 0 ] || set -- win32 win64
for build in "$@"; do
  cmake --preset "$build" >/dev/null
  cmake --build --preset "$build" -j"$(nproc)"
done

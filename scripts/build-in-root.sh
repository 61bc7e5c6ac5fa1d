#!/usr/bin/env bash
# Builds the native Linux program in the Debian 11 build root
# (scripts/in-root.sh), for amd64 or, with Debian's cross compiler, arm64.
# Its settings are the linux preset's cache variables, read from
# CMakePresets.json: the root's CMake (3.18) has no presets.
#
# Usage: scripts/build-in-root.sh amd64|arm64 BUILD_DIR [TARGET...]
#   BUILD_DIR relative to the checkout, e.g. build/root-arm64
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
[ "$#" -ge 2 ] || { sed -n '2,8p' "$0" >&2; exit 2; }
arch="$1" dir="$2"; shift 2
case "$arch" in
  amd64) toolchain=() ;;
  arm64) toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake) ;;
  *) echo "build-in-root: no build for $arch" >&2; exit 2 ;;
esac
targets=()
for target in "$@"; do targets+=(--target "$target"); done

mapfile -t preset < <(/usr/bin/python3 - "$repo/CMakePresets.json" <<'PY'
import json, sys
preset = next(p for p in json.load(open(sys.argv[1]))["configurePresets"] if p["name"] == "linux")
for name, value in preset["cacheVariables"].items():
    print("-D%s=%s" % (name, value))
PY
)
"$repo/scripts/in-root.sh" cmake -S . -B "$dir" "${preset[@]}" "${toolchain[@]}" >/dev/null
"$repo/scripts/in-root.sh" cmake --build "$dir" -j"$(nproc)" "${targets[@]}"

#!/usr/bin/env bash
# Builds what the benchmarks need and runs them: the native bench (the cut
# command beside dd and tail | head, build/bench, Release), then the Wine
# bench (Qarvel.exe itself under Wine, the Win32 and Win64 builds in turns
# beside dd, the largest slice, start-up beside a bare dialog of each
# architecture, size and DLLs), then the native Linux program's bench
# (bench/native: start-up beside zenity, the cut through the dialog beside
# dd, the package's size). Prints the tables. Takes
# a minute or two and writes up to 4 GiB into build/bench-work at a time.
#
# Usage: scripts/bench.sh
# Settings for the Wine bench: see bench/wine/run-wine-bench.sh.
# Needs scripts/install-deps.sh to have run.
set -euo pipefail
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench --target bench cut_once -j"$(nproc)" >/dev/null
scripts/build-windows.sh win32 win64 >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux --target qarvel gtk_bench -j"$(nproc)" >/dev/null

echo "== Native: the cut command (headless backend) beside dd and tail | head"
build/bench/bench/bench --work build/bench-work --cut build/bench/bench/cut_once
bench/wine/run-wine-bench.sh build/win32 build/win64 -- build/bench-work
echo "== The native Linux program (GTK 3): start-up, the cut through the dialog, size"
bench/native/run-native-bench.sh build/linux build/bench-work/native

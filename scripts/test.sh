#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native unit tests
# with AddressSanitizer and UBSan and runs them, fuzzes the commands for a
# minute, then cross-builds Qarvel.exe and runs the layer tests and the
# end-to-end tests under Wine, and last the release files' tests (two clean
# builds compared; the Debian package installed, started and purged).
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"

"$REPO/scripts/install-deps.sh"

echo "== native unit tests (headless backend, ASan + UBSan)"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DQARVEL_SANITIZE=ON >/dev/null
cmake --build build/native -j"$(nproc)"
(cd build/native && ctest --output-on-failure)

echo "== fuzzing the open-source and cut commands (libFuzzer, bounded)"
scripts/fuzz.sh 60

echo "== win32 build (MinGW-w64 i686)"
"$REPO/scripts/build-win32.sh"

echo "== layer tests on the real window system (Wine)"
tests/win32/run-layer-tests.sh
echo "== end-to-end tests of Qarvel.exe (Wine)"
tests/e2e/run-e2e.sh
echo "== release files: reproducible, installed, started, purged"
tests/release/run-release-tests.sh

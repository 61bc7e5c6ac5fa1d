#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native unit tests
# with AddressSanitizer and UBSan and runs them, fuzzes the commands for a
# minute, then cross-builds Qarvel.exe and runs the layer tests and the
# end-to-end tests under Wine, once for each system code page in turn, and
# last the release files' tests (two clean builds compared; the Debian
# package installed, started and purged).
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

# The program shows and names the same whatever the system's ANSI code page,
# which Wine takes from the locale: 936, 1252, 932 and 65001. zh_CN keeps
# the scripts' default prefixes; each other locale has one prefix for both
# suites (they run one after the other).
failed=()
for locale in zh_CN.UTF-8 en_US.UTF-8 ja_JP.UTF-8 hi_IN.UTF-8; do
  tag="${locale%%.*}"
  prefixes=()
  if [ "$tag" != zh_CN ]; then
    prefixes=(WINE_ENV_PREFIX="$REPO/build/wineprefix-$tag" E2E_WINE_PREFIX="$REPO/build/wineprefix-$tag")
  fi
  echo "== layer tests on the real window system (Wine, $locale)"
  env WINE_ENV_LOCALE="$locale" "${prefixes[@]}" tests/win32/run-layer-tests.sh || failed+=("layer tests ($locale)")
  echo "== end-to-end tests of Qarvel.exe (Wine, $locale)"
  env WINE_ENV_LOCALE="$locale" "${prefixes[@]}" tests/e2e/run-e2e.sh || failed+=("end-to-end tests ($locale)")
done

echo "== release files: reproducible, installed, started, purged"
tests/release/run-release-tests.sh || failed+=("release tests")

if [ "${#failed[@]}" -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi

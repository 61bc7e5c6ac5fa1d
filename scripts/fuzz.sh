#!/usr/bin/env bash
# Builds the libFuzzer target of the cut and open commands (clang, ASan +
# UBSan, configuration build/fuzz) and runs it for a bounded time on one
# core, from a scratch copy of the seed corpus tests/fuzz/corpus (the
# committed seeds never grow). Exits non-zero on a finding; the input that
# caused it is kept in build/fuzz/run/findings/.
#
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
# Needs what scripts/install-deps.sh installs (clang, libclang-rt-14-dev).
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"

TIME="${1:-60}"
case "$TIME" in
  ''|*[!0-9]*) echo "fuzz: the time must be a whole number of seconds: $TIME" >&2; exit 2 ;;
esac
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found; run scripts/install-deps.sh" >&2
  exit 2
fi

echo "== fuzz build (clang, libFuzzer, ASan + UBSan)"
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DQARVEL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS=-O1 >/dev/null
cmake --build build/fuzz --target cut_fuzzer -j1

RUN="$REPO/build/fuzz/run"
rm -rf "$RUN"
mkdir -p "$RUN/corpus" "$RUN/findings"
cp tests/fuzz/corpus/* "$RUN/corpus/"
# The target makes a temporary folder per input: in memory where possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

echo "== fuzzing for ${TIME} s"
status=0
(cd "$RUN" && "$REPO/build/fuzz/tests/fuzz/cut_fuzzer" -max_total_time="$TIME" \
  -jobs=1 -workers=1 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$RUN/findings/" "$RUN/corpus") || status=$?

units=$(find "$RUN/corpus" -type f | wc -l)
last=$(grep -E '^#[0-9]+' "$RUN/fuzz-0.log" 2>/dev/null | tail -n 1 || true)
echo "== fuzz: corpus of $units units; last status: ${last:-none}"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$RUN/findings")" ]; then
  echo "fuzz: FINDING (exit $status); inputs in $RUN/findings:" >&2
  ls -l "$RUN/findings" >&2
  exit 1
fi
echo "fuzz: no finding"

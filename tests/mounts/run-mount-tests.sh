#!/usr/bin/env bash
# The cut on the disks a user saves to, with the native unit tests' own
# cases, each in one more setting:
#   - a FAT image mounted through fusefat, and an exFAT image through
#     exfat-fuse: how Linux mounts such sticks where the kernel has no
#     driver for them, and, like GVFS shares and sshfs, a FUSE file system
#     with neither a no-replace rename nor hard links;
#   - a source on tmpfs with the output on the disk, and the reverse: there
#     copy_file_range cannot cross, and the slice is written from the view.
# Needs root, /dev/fuse and a loop device; without them it says so and
# fails.
#
# Usage: tests/mounts/run-mount-tests.sh BUILD_DIR   (build/native)
# Ends with "N passed, M failed", counting the test cases of every setting.
set -uo pipefail
[ "$#" -eq 1 ] || { sed -n '2,13p' "$0" >&2; exit 2; }
build="$(cd "$1" && pwd -P)"
unit="$build/tests/unit_tests" faults="$build/tests/faults/fault_tests"

passed=0 failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }

for need in /dev/fuse /dev/loop-control; do
  [ -e "$need" ] || { fail "this machine has no $need: the FUSE mounts cannot be tested"; echo "0 passed, $failed failed"; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { fail "mounting needs root"; echo "0 passed, $failed failed"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/qarvel-mounts.XXXXXX")"
loop=
cleanup() {
  local mount
  for mount in "$work/fat" "$work/exfat"; do
    mountpoint -q "$mount" && { fusermount3 -u "$mount" 2>/dev/null || umount -l "$mount"; }
  done
  # fusefat can spin after a lazy unmount; nothing of it may outlive the suite.
  pkill -9 -f "fusefat .*$work" 2>/dev/null
  [ -z "$loop" ] || losetup -d "$loop"
  rm -rf "$work"
}
trap cleanup EXIT

# run_setting NAME ENV... -- BINARY FILTER: one test binary in one setting;
# adds its cases to the counts. A run that hangs (a FUSE daemon that stops
# answering) is ended after two minutes and counts as a failure.
run_setting() {
  local name="$1"; shift
  local env=()
  while [ "$1" != "--" ]; do env+=("$1"); shift; done
  shift
  local binary="$1" filter="$2" log="$work/log" rc=0 ok bad
  timeout 120 env "${env[@]}" "$binary" --gtest_filter="$filter" >"$log" 2>&1 || rc=$?
  ok="$(grep -ac '^\[       OK \]' "$log")"
  bad="$(grep -ac '^\[  FAILED  \] .* ([0-9]* ms)$' "$log")"
  echo "== $name: $(basename "$binary"): $ok passed, $bad failed (exit $rc)"
  if [ "$rc" -ne 0 ]; then
    grep -a -A12 'Failure$' "$log" | head -60
    [ "$bad" -gt 0 ] || bad=1
  fi
  passed=$((passed + ok)) failed=$((failed + bad))
}

# Left out on FAT and exFAT, and why:
#   2 GiB source: made sparse, and FAT has no holes;
#   names of raw 936 bytes: the headless backend names files byte for byte,
#     and these file systems take only names that convert to UTF-16, as the
#     native program's UTF-8 names do;
#   permission bits: these file systems have none.
STICK_UNIT='CutCommand.*:-CutCommand.RefusesSourcesOf2GiBAndMoreAtTheStartCheck:CutCommand.LowersTheNameAndAddsTheSuffixWhenMissing:CutCommand.LandsInTheChosenFolderWhateverBytesItsNameEndsIn'
STICK_FAULTS='CutFaults.*:-CutFaults.FoldersThatCannotTakeTheOutputAndAnUnreadableSource'
# fusefat fails to rewrite a file it has just truncated under a mapping of
# it ("cannot write"), and then may stop answering: the source changing under
# the cut is left to exFAT.
FAT_FAULTS="$STICK_FAULTS:CutFaults.TheSourceChangingBetweenCheckAndUse"

mkdir -p "$work/fat" "$work/exfat"
if mkfs.fat -C "$work/fat.img" 65536 >/dev/null && fusefat -o rw+ "$work/fat.img" "$work/fat" >/dev/null 2>&1 \
   && mountpoint -q "$work/fat"; then
  run_setting "FAT through fusefat" TMPDIR="$work/fat" -- "$unit" "$STICK_UNIT"
  run_setting "FAT through fusefat" TMPDIR="$work/fat" -- "$faults" "$FAT_FAULTS"
else
  fail "could not mount a FAT image through fusefat"
fi

truncate -s 64M "$work/exfat.img"
if mkfs.exfat "$work/exfat.img" >/dev/null && loop="$(losetup -f --show "$work/exfat.img")" \
   && mount.exfat-fuse "$loop" "$work/exfat" >/dev/null 2>&1 && mountpoint -q "$work/exfat"; then
  run_setting "exFAT through exfat-fuse" TMPDIR="$work/exfat" -- "$unit" "$STICK_UNIT"
  run_setting "exFAT through exfat-fuse" TMPDIR="$work/exfat" -- "$faults" "$STICK_FAULTS"
else
  fail "could not mount an exFAT image through exfat-fuse"
fi

# The disk: the build folder's file system, which must not be /dev/shm's.
disk="$build/mount-tests"
mkdir -p "$disk"
if [ "$(stat -c %d "$disk")" = "$(stat -c %d /dev/shm)" ]; then
  fail "$disk and /dev/shm are one file system: nothing would cross"
else
  run_setting "source on tmpfs, output on the disk" TMPDIR="$disk" QARVEL_TEST_SOURCE_TMPDIR=/dev/shm \
    -- "$unit" 'CutCommand.*'
  run_setting "source on the disk, output on tmpfs" TMPDIR=/dev/shm QARVEL_TEST_SOURCE_TMPDIR="$disk" \
    -- "$unit" 'CutCommand.*'
fi
rm -rf "$disk"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

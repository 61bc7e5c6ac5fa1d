#!/usr/bin/env bash
# Times Qarvel.exe under Wine and prints tables: the cut beside dd on the
# same bytes, the largest slice the checks accept, start-up beside a bare
# dialog of the same architecture, and the program's size and DLLs. With
# several builds (build/win32 and build/win64) they take turns with dd in
# one run, each under its own architecture's Wine. Builds nothing
# (scripts/bench.sh does, then runs this).
#
# Usage: bench/wine/run-wine-bench.sh [BUILD_DIR...] [-- WORK_DIR]
#   BUILD_DIR  a Windows build (default build/win32); two of one
#              architecture (another checkout's beside this one's) are
#              named after their checkouts' folders
#   WORK_DIR   default build/bench-work; its source.bin (the native
#              bench's) is reused, or made
# Settings: BENCH_RUNS (cut runs per size, default 7), BENCH_SIZES (the
# slices in MiB, default "1 64 1024"), BENCH_STARTUP_RUNS
# (default 10), BENCH_SKIP_LARGEST=1 leaves out the 2 GiB cut, BENCH_SPIN=0
# lets idle CPUs sleep (see below).
# Each architecture runs in a Wine prefix of its own
# (build/wineprefix-bench-win32, -win64) whose session ends when done.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)"
builds=()
work="$repo/build/bench-work"
while [ "$#" -gt 0 ]; do
  case "$1" in
    --) work="${2:?WORK_DIR after --}"; shift 2 ;;
    *) builds+=("$(cd "$1" && pwd -P)"); shift ;;
  esac
done
[ "${#builds[@]}" -gt 0 ] || builds=("$repo/build/win32")
runs="${BENCH_RUNS:-7}"
startup_runs="${BENCH_STARTUP_RUNS:-10}"

load_at_start="$(cut -d' ' -f1-3 /proc/loadavg)"
export WINE_ENV_QUIET="${WINE_ENV_QUIET:-1}"
# shellcheck source=../../scripts/wine-env.sh
source "$repo/scripts/wine-env.sh"

# Per build: its architecture, Wine loader and prefix, set up one after the
# other on one display.
arch=() loader=() prefix=() names=()
for build in "${builds[@]}"; do
  for exe in Qarvel.exe bench/wine/wine_bench.exe bench/wine/bare_dialog.exe; do
    [ -f "$build/$exe" ] || { echo "run-wine-bench: $build/$exe not found; run scripts/build-windows.sh" >&2; exit 2; }
  done
  WINE_ENV_ARCH="$(wine_pe_arch "$build/Qarvel.exe")"
  WINE_ENV_PREFIX="$repo/build/wineprefix-bench-$WINE_ENV_ARCH"
  wine_env_init
  arch+=("$WINE_ENV_ARCH") loader+=("$WINE_ENV_LOADER") prefix+=("$WINEPREFIX")
  # Two builds of one architecture (the previous commit's beside this
  # one's) are told apart by their checkouts' folders.
  name="Qarvel $WINE_ENV_ARCH"
  for taken in "${names[@]}"; do
    [ "$taken" != "$name" ] || name="$name $(basename "$(dirname "$(dirname "$build")")")"
  done
  names+=("$name")
done
spinner=
finish() {
  [ -z "$spinner" ] || kill "$spinner" 2>/dev/null || true
  local p
  for p in "${prefix[@]}"; do
    WINEPREFIX="$p" wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -f "$p/.project-session"
  done
  wine_xvfb_stop
}
trap finish EXIT

# A Wine program talks to the wineserver and the X server in thousands of
# short round trips. On a VM each one that has to wake a sleeping virtual
# CPU costs far more than on real hardware: measured here, the bare dialog
# starts in about 150 ms with the CPUs idle and in about 55 ms with one kept
# busy, and a 1 MiB cut takes about 60 ms instead of 12. A busy loop at
# the lowest priority keeps a CPU awake and yields to every real task.
spin="${BENCH_SPIN:-1}"
if [ "$spin" = 1 ]; then
  nice -n 19 bash -c 'while :; do :; done' &
  spinner=$!
fi

mkdir -p "$work/wine"
work="$(cd "$work" && pwd -P)"
# Qarvel lowers the whole output path on Windows; a lower-case folder keeps
# the file where this script looks for it.
out_dir="$work/wine"
log="$out_dir/wine.err"
: >"$log"

MiB=$((1024 * 1024))
source_file="$work/source.bin"
source_size=$((1088 * MiB))
if [ "$(stat -c %s "$source_file" 2>/dev/null || echo 0)" -lt "$source_size" ]; then
  echo "making $source_file ($((source_size / MiB)) MiB)" >&2
  head -c "$source_size" /dev/urandom >"$source_file"
fi
source_size="$(stat -c %s "$source_file")"

# bench I ARGS...: runs build I's driver in its own prefix; its stdout goes
# to a file, not a pipe (Wine services started meanwhile would hold a pipe
# open), without the console's CRs.
bench() {
  local i=$1 rc=0
  shift
  WINEPREFIX="${prefix[$i]}" WINEARCH="${arch[$i]}" WINELOADER="${loader[$i]}" \
    "${loader[$i]}" "${builds[$i]}/bench/wine/wine_bench.exe" "$@" >"$out_dir/driver.out" 2>>"$log" </dev/null || rc=$?
  tr -d '\r' <"$out_dir/driver.out"
  return "$rc"
}

median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { print v[int(NR / 2) + 1] }'; }
fastest() { tr ' ' '\n' | sed '/^$/d' | sort -g | head -1; }

# Seconds a whole dd process takes to copy COUNT bytes from START; with
# CONV (fsync), dd's conv= option.
time_dd() {
  local start=$1 count=$2 target=$3 t0 t1
  t0=$EPOCHREALTIME
  dd if="$source_file" of="$target" iflag=skip_bytes,count_bytes bs=1M skip="$start" count="$count" status=none \
    ${4:+conv=$4}
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }'
}

# row TOOL TIMES [DIALOG_GONE_TIMES]: a line of the cut table for slice
# $slice ($label), its ratios to dd conv=fsync ($sync_med, $sync_min).
row() {
  local med min gone=""
  med="$(echo "$2" | median)"
  min="$(echo "$2" | fastest)"
  [ -z "${3:-}" ] || gone="$(echo "$3" | median)"
  awk -v l="$label" -v n="$1" -v s="$slice" -v d="$sync_med" -v c="$med" -v dm="$sync_min" -v cm="$min" \
      -v g="$gone" 'BEGIN {
    printf "%-9s %-12s %9.4f %8.0f %8.2fx %9.4f %8.2fx %9s %s\n", l, n, c, s / 1048576 / c, c / d, cm, cm / dm,
           g == "" ? "" : sprintf("%.4f", g), "cmp: identical"
  }'
}

# Checks that FILE holds exactly bytes [START, START + COUNT) of SOURCE.
check_slice() {
  local src=$1 start=$2 count=$3 file=$4
  [ "$(stat -c %s "$file")" -eq "$count" ] && cmp -s -i "$start:0" -n "$count" "$src" "$file"
}

echo
echo "== Machine"
printf '%-14s %s\n' "cores (nproc)" "$(nproc)"
printf '%-14s %s\n' "CPU" "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
printf '%-14s %s\n' "memory" "$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
printf '%-14s %s\n' "kernel" "$(uname -sr)"
printf '%-14s %s\n' "Wine" "$("${loader[0]}" --version) ($(IFS=' '; echo "${arch[*]}"))"
# Other work on the machine shows in every figure below (2 cores).
printf '%-14s %s\n' "load average" "$load_at_start (at start)"
printf '%-14s %s\n' "busy loop" "$([ "$spin" = 1 ] && echo "yes, nice 19 (BENCH_SPIN=0: none)" || echo "none (BENCH_SPIN=0)")"

# Every file read once, so that each run finds it in the page cache.
cat "$source_file" >/dev/null

start=$((7 * MiB + 12345))  # the native bench's offset: aligned to nothing
echo
echo "== Cut under Wine beside dd: source $source_size bytes, start byte $start, median of $runs runs, warm cache"
echo "   Qarvel.exe: from OK posted in the save dialog to the success message box; dd: the whole process."
echo "   Ratios are to dd conv=fsync: a cut is on the disk when its success message shows, as dd's copy"
echo "   is when dd conv=fsync ends; plain dd (its copy still in the page cache) shows what that costs."
printf '%-9s %-12s %9s %8s %9s %9s %9s %9s %s\n' "slice" "tool" "median s" "MiB/s" "vs fsync" "fastest s" "vs fsync" "dlg gone" "output"
# The tools take turns, and each starts right after the other's output of
# the same size was deleted, so all write into memory just freed. On a VM
# the copy speed of the same dd varies up to threefold from one run to the
# next (memory the host handed back, other guests): only figures taken in
# turns compare, and the fastest runs show each tool's own cost best. The
# 1 MiB row shows the fixed cost of a cut.
dd_out="$out_dir/dd.out"
qarvel_out="$out_dir/qarvel.mp3"
for slice in $(for m in ${BENCH_SIZES:-1 64 1024}; do echo $((m * MiB)); done); do
  dd_times=() sync_times=() cut_times=() closed_times=()
  rm -f "$dd_out" "$qarvel_out"
  # One round uncounted, whose outputs are compared with the source; then
  # the counted ones: dd and a build in turns, each build in turn.
  for r in $(seq 0 "$runs"); do
    for i in "${!builds[@]}"; do
      rm -f "$qarvel_out" "$dd_out"
      ts="$(time_dd "$start" "$slice" "$dd_out" fsync)"
      rm -f "$dd_out"
      t="$(time_dd "$start" "$slice" "$dd_out")"
      if [ "$r" -eq 0 ] && ! check_slice "$source_file" "$start" "$slice" "$dd_out"; then
        echo "run-wine-bench: dd's output is not the slice" >&2; exit 1
      fi
      line="$(bench "$i" cut "$(wine_winpath "${builds[$i]}/Qarvel.exe")" "$(wine_winpath "$source_file")" \
                "$(wine_winpath "$qarvel_out")" "$start" "$slice" "$(wine_winpath "$dd_out")")" || {
        echo "run-wine-bench: the cut failed: $(iconv -c -f GBK -t UTF-8 <<<"$line") (Wine's messages in $log)" >&2
        exit 1; }
      if [ "$r" -eq 0 ]; then
        if ! check_slice "$source_file" "$start" "$slice" "$qarvel_out"; then
          echo "run-wine-bench: $qarvel_out is not the slice" >&2; exit 1
        fi
        continue
      fi
      dd_times+=("$t") sync_times+=("$ts")
      read -r _ cut_s closed_s _ <<<"$line"
      cut_times[$i]+=" $cut_s"
      closed_times[$i]+=" $closed_s"
    done
  done
  rm -f "$dd_out" "$qarvel_out"
  sync_med="$(echo "${sync_times[*]}" | median)"
  sync_min="$(echo "${sync_times[*]}" | fastest)"
  label="$((slice / MiB)) MiB"
  row "dd fsync" "${sync_times[*]}"
  row "dd" "${dd_times[*]}"
  runs_line="dd fsync ${sync_times[*]}; dd ${dd_times[*]}"
  for i in "${!builds[@]}"; do
    row "${names[$i]}" "${cut_times[$i]}" "${closed_times[$i]}"
    runs_line+="; ${names[$i]}${cut_times[$i]}"
  done
  echo "          runs, s: $runs_line"
done

echo
echo "== The largest slice the checks accept: source 2^31 - 1 bytes (sparse), start 0, count 2^31 - 2"
# One cut of COUNT bytes from the start of the sparse source, dd first, for
# scale; prints a row for each and sets cut_failed. The holes are read into
# the page cache first, as for the other source: the first touch of that
# much memory on this VM costs seconds, whoever comes first.
largest_cut() {
  local i=$1 count=$2 label=$3 big="$out_dir/largest.bin" big_out="$out_dir/largest.mp3" rc=0 line cut_s=0 verdict dd_s
  rm -f "$big" "$big_out" "$dd_out"
  truncate -s 2147483647 "$big"
  cat "$big" >/dev/null
  dd_s="$(time_dd 0 "$count" "$dd_out" fsync)"
  line="$(bench "$i" cut "$(wine_winpath "${builds[$i]}/Qarvel.exe")" "$(wine_winpath "$big")" \
            "$(wine_winpath "$big_out")" 0 "$count" "$(wine_winpath "$dd_out")")" || rc=$?
  [[ "$line" == cut\ * ]] && read -r _ cut_s _ <<<"$line"
  cut_failed=1
  if [ "$rc" -ne 0 ]; then
    verdict="FAILED: $(iconv -c -f GBK -t UTF-8 <<<"$line")"
  elif check_slice "$big" 0 "$count" "$big_out"; then
    verdict="success message, cmp: identical"
    cut_failed=0
  else
    verdict="FAILED: success message, but the output is not the slice"
  fi
  rm -f "$big" "$big_out" "$dd_out"
  printf '%-22s %-12s %8.4f %s\n' "$label" "${names[$i]}" "$cut_s" "$verdict"
  printf '%-22s %-12s %8.4f %s\n' "$label" "dd fsync" "$dd_s" "one run, for scale"
}
if [ "${BENCH_SKIP_LARGEST:-0}" = 1 ]; then
  echo "skipped (BENCH_SKIP_LARGEST=1)"
else
  printf '%-22s %-12s %8s %s\n' "count" "tool" "s" "result"
  for i in "${!builds[@]}"; do
    largest_cut "$i" $((2147483647 - 1)) "2147483646 (2^31 - 2)"
    # When it fails, a slice a little smaller, for the size that does fit.
    [ "$cut_failed" = 0 ] || largest_cut "$i" $((1792 * MiB)) "$((1792 * MiB)) (1.75 GiB)"
  done
fi

echo
echo "== Start-up: CreateProcess to the dialog visible, median of $startup_runs runs each, in turns with the bare dialog of the same build"
printf '%-22s %10s %8s\n' "program" "median ms" "vs bare"
for i in "${!builds[@]}"; do
  line="$(bench "$i" startup "$startup_runs" "$(wine_winpath "${builds[$i]}/Qarvel.exe")" \
            "$(wine_winpath "${builds[$i]}/bench/wine/bare_dialog.exe")")"
  q="$(sed -n 1p <<<"$line")"
  b="$(sed -n 2p <<<"$line")"
  awk -v q="$q" -v b="$b" -v a="${arch[$i]}" 'BEGIN {
    split(q, qa, " "); split(b, ba, " ")
    printf "%-22s %10.1f %7.2fx\n", "bare dialog " a, ba[2] * 1000, 1
    printf "%-22s %10.1f %7.2fx\n", "Qarvel.exe " a, qa[2] * 1000, qa[2] / ba[2]
  }'
  echo "          runs, ms: Qarvel.exe$(awk '{ for (i = 3; i <= NF; ++i) printf " %.1f", $i * 1000 }' <<<"$q");" \
    "bare$(awk '{ for (i = 3; i <= NF; ++i) printf " %.1f", $i * 1000 }' <<<"$b")"
done

echo
echo "== Qarvel.exe"
printf '%-14s %s\n' "load average" "$(cut -d' ' -f1-3 /proc/loadavg) (at the end$([ "$spin" = 1 ] && echo ", with the busy loop"))"
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' '; }
for i in "${!builds[@]}"; do
  qarvel="${builds[$i]}/Qarvel.exe" bare="${builds[$i]}/bench/wine/bare_dialog.exe"
  size="$(stat -c %s "$qarvel")"
  printf '%-14s %s bytes (%.1f KiB; goal at most 262144)\n' "size ${arch[$i]}" "$size" "$(awk -v s="$size" 'BEGIN { print s / 1024 }')"
  printf '%-14s %s\n' "imports" "$(imports "$qarvel")"
  printf '%-14s %s\n' "bare dialog" "$(stat -c %s "$bare") bytes; imports $(imports "$bare")"
done

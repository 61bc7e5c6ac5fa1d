#!/usr/bin/python3
"""Two builds' cut command beside dd conv=fsync, in turns (the builds swap
places every run): what a change to the file half costs. Each of the three
copies the first SIZE MiB of one source, for each SIZE of SIZES (default 1
and 64), after the same 1 s pause, RUNS times; prints medians and the
fastest runs.

    bench/compare-cuts.py OLD_CUT_ONCE NEW_CUT_ONCE WORK_DIR [RUNS [SIZES]]

SIZES in MiB, comma-separated: 64,1024 for a long cut.

CUT_ONCE is build/bench/bench/cut_once of each build (scripts/bench.sh
builds it).
"""

import os
import statistics
import subprocess
import sys
import time

MiB = 1 << 20


def main():
    old, new, work = sys.argv[1:4]
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 9
    sizes = [int(s) * MiB for s in sys.argv[5].split(",")] if len(sys.argv) > 5 else [MiB, 64 * MiB]
    os.makedirs(work, exist_ok=True)
    source = os.path.join(work, "source.mp3")
    with open(source, "wb") as f:
        for _ in range(max(sizes) // MiB + 1):
            f.write(os.urandom(MiB))
    tools = [("dd conv=fsync", None), ("cut, old build", old), ("cut, new build", new)]
    times = {}
    for size in sizes:
        for run in range(runs):
            # The two builds swap places every run, and the last output is
            # deleted and synced before the pause: on a disk mounted with
            # discard, whoever runs right after a deleted gigabyte pays for
            # its discard at the next journal commit.
            for name, cut_once in tools if run % 2 == 0 else [tools[0], tools[2], tools[1]]:
                output = os.path.join(work, "out")
                for leftover in (output, output + ".mp3"):
                    if os.path.exists(leftover):
                        os.unlink(leftover)
                os.sync()
                time.sleep(1.0)
                if cut_once is None:
                    command = ["dd", "if=" + source, "of=" + output + ".mp3", "bs=1M", "iflag=count_bytes",
                               "count=%d" % size, "conv=fsync", "status=none"]
                else:
                    command = [cut_once, source, "0", str(size), output]
                start = time.perf_counter()
                subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
                times.setdefault((size, name), []).append(time.perf_counter() - start)
    print("slice    tool              median s  fastest s  vs dd conv=fsync (medians)")
    for size in sizes:
        baseline = statistics.median(times[(size, "dd conv=fsync")])
        for name, _ in tools:
            runs_of = times[(size, name)]
            median = statistics.median(runs_of)
            print("%-8s %-16s %9.4f %10.4f  %5.2fx" % ("%d MiB" % (size // MiB), name, median, min(runs_of),
                                                      median / baseline))
    return 0


if __name__ == "__main__":
    sys.exit(main())

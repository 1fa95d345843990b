#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# --ts on a 1 GB transport stream (mostly video, a mark and its section each
# second) against `cat FILE > /dev/null` from a hot cache, median of
# interleaved runs; and peak resident memory on 16 MB and on 1 GB.
# Called by compare.sh; runs alone too (it builds the release preset).
# Needs python3 and GNU time.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
tool=build/release/scte104
work=$(mktemp -d "${TMPDIR:-/tmp}/ts-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 bench/make_ts_stream.py "$work/big.ts" "${TS_MEGABYTES:-1000}"
python3 bench/make_ts_stream.py "$work/small.ts" 16
python3 - "$tool" "$work/big.ts" "${TS_RUNS:-7}" <<'PY'
import os, statistics, subprocess, sys, time
tool, stream, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
def timed(argv):
    with open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        subprocess.run(argv, stdout=sink, check=True)
        return time.perf_counter() - start
timed(["cat", stream])  # into the page cache
ours, cat = [], []
for _ in range(runs):  # interleaved, so both see the same machine
    cat.append(timed(["cat", stream]))
    ours.append(timed([tool, "--ts", "--json-lines", stream]))
a, b = statistics.median(ours), statistics.median(cat)
print("--ts on %.0f MB, median of %d:" % (os.path.getsize(stream) / 1e6, runs))
print("  scte104 --ts --json-lines  %8.1f ms" % (a * 1e3))
print("  cat FILE > /dev/null       %8.1f ms   ratio %.2f (target <= 3.00)" % (b * 1e3, a / b))
PY
small_kb=$(/usr/bin/time -f "%M" "$tool" --ts --json-lines "$work/small.ts" 2>&1 >/dev/null | tail -n 1)
large_kb=$(/usr/bin/time -f "%M" "$tool" --ts --json-lines "$work/big.ts" 2>&1 >/dev/null | tail -n 1)
python3 -c "import sys; s, l = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory --ts: %.1f MB at 16 MB, %.1f MB at 1 GB (targets < 16 MB, within 2 MB)' % (s / 1024, l / 1024))" "$small_kb" "$large_kb"

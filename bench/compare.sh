#!/usr/bin/env bash
# Whole-process timings, side by side in one run (median of many runs):
#   scte104 -f big.bin  against  xxd -p big.bin   (largest message the layout allows)
#   scte104 HELP_EXAMPLE against  cat of its expected report
#   scte104 --json -f big.bin against scte104 -f big.bin
#   scte104 --encode big.json against jq -c . big.json  (big.json: the JSON report of big.bin)
# and the peak resident memory of the large runs. Builds the release preset.
# Needs python3, xxd, jq and GNU time (apt-get install python3 xxd jq time).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-21}
small_runs=${SMALL_RUNS:-501}
encode_runs=${ENCODE_RUNS:-5}  # jq takes seconds a run

cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
tool=build/release/scte104
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 255 proprietary command operations of 65,535 non-zero data bytes each,
# behind the lead byte: about 16.7 MB.
python3 - "$work/big.bin" <<'PY'
import sys
data = bytes(i % 255 + 1 for i in range(65535))
operation = b"\x01\x0c\xff\xff" + data
header = bytes.fromhex("ffffffff000000000000" "00") + bytes([255])
open(sys.argv[1], "wb").write(b"\x08" + header + operation * 255)
PY
"$tool" --json -f "$work/big.bin" >"$work/big.json"

python3 - "$tool" "$work/big.bin" "$runs" "$small_runs" "$work/big.json" "$encode_runs" <<'PY'
import os, statistics, sys, time
tool, big, runs, small_runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
json_path, encode_runs = sys.argv[5], int(sys.argv[6])
devnull = os.open(os.devnull, os.O_WRONLY)
help_b64 = "CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA=="
expected = "tests/cli/expected/help_example.txt"

def spawn_time(argv):
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ,
                          file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1)])
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit("%s failed" % argv)
    return elapsed

def race(a, b, n):
    ta, tb = [], []
    for _ in range(n):  # interleaved, so both see the same machine
        ta.append(spawn_time(a))
        tb.append(spawn_time(b))
    return statistics.median(ta), statistics.median(tb)

big_tool, big_xxd = race([tool, "-f", big], ["xxd", "-p", big], runs)
big_json, big_text = race([tool, "--json", "-f", big], [tool, "-f", big], runs)
small_tool, small_cat = race([tool, help_b64], ["cat", expected], small_runs)
print("large message (%d bytes), median of %d:" % (os.path.getsize(big), runs))
print("  scte104 -f big.bin   %8.1f ms" % (big_tool * 1e3))
print("  xxd -p big.bin       %8.1f ms   ratio %.2f (target <= 1.00)" % (big_xxd * 1e3, big_tool / big_xxd))
print("  scte104 --json -f    %8.1f ms   ratio %.2f to the text report (target <= 1.50)" % (
    big_json * 1e3, big_json / big_text))
big_encode, big_jq = race([tool, "--encode", json_path], ["jq", "-c", ".", json_path], encode_runs)
print("its JSON report (%d bytes), median of %d:" % (os.path.getsize(json_path), encode_runs))
print("  scte104 --encode     %8.1f ms" % (big_encode * 1e3))
print("  jq -c .              %8.1f ms   ratio %.2f (target <= 1.00)" % (big_jq * 1e3, big_encode / big_jq))
print("help example, median of %d:" % small_runs)
print("  scte104 BASE64       %8.1f us" % (small_tool * 1e6))
print("  cat expected report  %8.1f us   ratio %.2f (target <= 1.00)" % (small_cat * 1e6, small_tool / small_cat))
PY

size=$(stat -c %s "$work/big.bin")
for form in "" --json; do
  peak_kb=$(/usr/bin/time -f "%M" "$tool" $form -f "$work/big.bin" 2>&1 >/dev/null | tail -n 1)
  python3 -c "import sys; kb, size = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory %-7s %.1f MB = %.2f x file size (target <= 5.50)' % (sys.argv[3], kb / 1024, kb * 1024 / size))" "$peak_kb" "$size" "${form:-text}"
done
json_size=$(stat -c %s "$work/big.json")
peak_kb=$(/usr/bin/time -f "%M" "$tool" --encode "$work/big.json" 2>&1 >/dev/null | tail -n 1)
python3 -c "import sys; kb, size = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory --encode %.1f MB = %.2f x JSON file size (target <= 3.00)' % (kb / 1024, kb * 1024 / size))" "$peak_kb" "$json_size"

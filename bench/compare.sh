#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-process timings, side by side in one run (median of many runs):
#   scte104 -f big.bin  against  xxd -p big.bin   (largest message the layout allows)
#   scte104 HELP_EXAMPLE and scte104 --json HELP_EXAMPLE against cat of its expected report
#   scte104 --json -f big.bin against scte104 -f big.bin
#   scte104 --encode big.json against jq -c . big.json  (big.json: the JSON report of big.bin)
# and the peak resident memory of the large runs; --from-scte35 of a section
# against --scte35 of its mark; then --json-lines on 200,000 marks against jq
# reading its output, --pcap against tshark, --anc on a 1 GB ST 2110 capture
# against tcpdump copying it, and --ts on a 1 GB transport stream against cat
# (bench/compare_ts.sh).
# Builds the release preset. Needs python3, xxd, jq and GNU time
# (apt-get install python3 xxd jq time), tshark for the --pcap part and
# tcpdump for the --anc part (installed here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v jq >/dev/null || { echo "jq is missing (apt-get install jq)" >&2; exit 1; }
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
small_json, json_cat = race([tool, "--json", help_b64], ["cat", expected], small_runs)
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
print("  scte104 --json BASE64%8.1f us" % (small_json * 1e6))
print("  cat expected report  %8.1f us   ratio %.2f (target <= 1.00)" % (json_cat * 1e6, small_json / json_cat))
PY

# One --from-scte35 run (a section back to its mark) against one --scte35
# run (the mark to its section): example A of both ways.
python3 - "$tool" "$small_runs" <<'PY'
import os, statistics, sys, time
tool, runs = sys.argv[1], int(sys.argv[2])
devnull = os.open(os.devnull, os.O_WRONLY)
def spawn_time(argv):
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1)])
    _, status = os.waitpid(pid, 0)
    if status != 0:
        sys.exit("%s failed" % argv)
    return time.perf_counter() - start
back, forth = [], []
for _ in range(runs):  # interleaved, so both see the same machine
    back.append(spawn_time([tool, "--from-scte35", "/DAlAAAAAAAA///wFAVAAAK0f+/+AACowH4ApMuAAAAAAAAAKOZEKg=="]))
    forth.append(spawn_time([tool, "--scte35", "CP//AB4AAAAAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA=="]))
a, b = statistics.median(back), statistics.median(forth)
print("a section and its mark, median of %d:" % runs)
print("  scte104 --from-scte35 SECTION %8.1f us" % (a * 1e6))
print("  scte104 --scte35 MARK         %8.1f us   ratio %.2f (target <= 2.00)" % (b * 1e6, a / b))
PY

size=$(stat -c %s "$work/big.bin")
for form in "" --json; do
  peak_kb=$(/usr/bin/time -f "%M" "$tool" $form -f "$work/big.bin" 2>&1 >/dev/null | tail -n 1)
  python3 -c "import sys; kb, size = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory %-7s %.1f MB = %.2f x file size (target <= 5.50)' % (sys.argv[3], kb / 1024, kb * 1024 / size))" "$peak_kb" "$size" "${form:-text}"
done

# --json-lines on 200,000 marks (the help example and the proprietary and
# segmentation samples of tests/samples.h in turn, behind the lead byte)
# against jq -c . reading what it wrote; one process per mark for 1,000 of
# them; and peak resident memory for 20,000 and 200,000 marks.
python3 - "$work" <<'PY'
import base64, re, sys
samples = open("tests/samples.h").read()
def sample(name):  # the adjacent string literals of one constant, joined
    body = re.search(r"\b%s =\s*((?:\"[0-9a-f]*\"\s*)+);" % name, samples).group(1)
    return "".join(re.findall(r'"([0-9a-f]*)"', body))
marks = [base64.b64encode(b"\x08" + bytes.fromhex(sample(n))).decode()
         for n in ("kHelpExample", "kProprietaryThenSplice", "kSegmentation")]
for count in (1000, 20000, 200000):
    with open("%s/marks%d.txt" % (sys.argv[1], count), "w") as f:
        f.writelines(marks[i % 3] + "\n" for i in range(count))
PY
python3 - "$tool" "$work" "${LINES_RUNS:-3}" <<'PY'
import os, statistics, subprocess, sys, time
tool, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
marks, report = work + "/marks200000.txt", work + "/marks200000.jsonl"

def timed(argv, stdout):
    start = time.perf_counter()
    subprocess.run(argv, stdout=stdout, check=True)
    return time.perf_counter() - start

lines, jq = [], []
for _ in range(runs):  # interleaved, so both see the same machine
    with open(report, "wb") as out:
        lines.append(timed([tool, "--json-lines", marks], out))
    with open(os.devnull, "wb") as out:
        jq.append(timed(["jq", "-c", ".", report], out))
lines, jq = statistics.median(lines), statistics.median(jq)
one = [line.strip() for line in open(work + "/marks1000.txt")]
with open(os.devnull, "wb") as out:
    per_process = sum(timed([tool, "--json", mark], out) for mark in one) / len(one)
print("200,000 marks (%.0f MB of JSON Lines), median of %d:" % (os.path.getsize(report) / 1e6, runs))
print("  scte104 --json-lines %8.2f s   %.0f marks/s" % (lines, 200000 / lines))
print("  jq -c . of its output%8.2f s   ratio %.3f (target <= 0.50)" % (jq, lines / jq))
print("  one process per mark %8.2f ms  %.0f marks/s (1,000 marks)" % (per_process * 1e3, 1 / per_process))
PY
for count in 20000 200000; do
  peak_kb=$(/usr/bin/time -f "%M" "$tool" --json-lines "$work/marks$count.txt" 2>&1 >/dev/null | tail -n 1)
  echo "peak resident memory --json-lines, $count marks: $(( peak_kb / 1024 )).$(( peak_kb % 1024 * 10 / 1024 )) MB (target < 16, within 2 MB)"
done
# --pcap on a capture of 100,000 messages over 50 connections (about 80,000
# records) against the cheapest tshark pass that dissects every TCP segment;
# peak resident memory at 10,000 and at 100,000 messages.
if command -v tshark >/dev/null 2>&1; then
  python3 bench/make_session_capture.py "$work/sessions.pcap" 100000 50
  python3 bench/make_session_capture.py "$work/sessions_10k.pcap" 10000 50
  python3 - "$tool" "$work/sessions.pcap" "${PCAP_RUNS:-5}" <<'PY'
import os, statistics, subprocess, sys, time
tool, capture, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
def timed(argv):
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start
ours, theirs = [], []
for _ in range(runs):  # interleaved, so both see the same machine
    ours.append(timed([tool, "--pcap", "--json-lines", capture]))
    theirs.append(timed(["tshark", "-r", capture, "-T", "fields", "-e", "tcp.len"]))
a, b = statistics.median(ours), statistics.median(theirs)
print("capture of 100,000 messages over 50 connections, median of %d:" % runs)
print("  scte104 --pcap --json-lines  %8.1f ms" % (a * 1e3))
print("  tshark -T fields -e tcp.len  %8.1f ms   ratio %.2f (target <= 0.50)" % (b * 1e3, a / b))
PY
  small_kb=$(/usr/bin/time -f "%M" "$tool" --pcap --json-lines "$work/sessions_10k.pcap" 2>&1 >/dev/null | tail -n 1)
  large_kb=$(/usr/bin/time -f "%M" "$tool" --pcap --json-lines "$work/sessions.pcap" 2>&1 >/dev/null | tail -n 1)
  python3 -c "import sys; s, l = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory --pcap: %.1f MB at 10,000 messages, %.1f MB at 100,000 (targets < 32 MB, within 2 MB)' % (s / 1024, l / 1024))" "$small_kb" "$large_kb"
else
  echo "tshark is not installed: the --pcap comparison is skipped"
fi
json_size=$(stat -c %s "$work/big.json")
peak_kb=$(/usr/bin/time -f "%M" "$tool" --encode "$work/big.json" 2>&1 >/dev/null | tail -n 1)
python3 -c "import sys; kb, size = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory --encode %.1f MB = %.2f x JSON file size (target <= 3.00)' % (kb / 1024, kb * 1024 / size))" "$peak_kb" "$json_size"

# --anc on a 1 GB capture of an ST 2110-40 stream beside ST 2110-20 video
# (skipped by port) against tcpdump reading and writing every record, from
# a hot cache; peak resident memory at 64 MB and at 1 GB.
if ! command -v tcpdump >/dev/null 2>&1; then
  apt-get update -qq && apt-get install -y -qq tcpdump
fi
python3 bench/make_anc_capture.py "$work/anc.pcap" "${ANC_MEGABYTES:-1000}"
python3 bench/make_anc_capture.py "$work/anc_64m.pcap" 64
cat "$work/anc.pcap" >/dev/null
python3 - "$tool" "$work/anc.pcap" "${ANC_RUNS:-5}" <<'PY'
import os, statistics, subprocess, sys, time
tool, capture, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
def timed(argv):
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start
ours, theirs = [], []
for _ in range(runs):  # interleaved, so both see the same machine
    ours.append(timed([tool, "--anc", "--json-lines", "--port", "5004", capture]))
    theirs.append(timed(["tcpdump", "-r", capture, "-w", "/dev/null"]))
a, b = statistics.median(ours), statistics.median(theirs)
print("ST 2110 capture of %.0f MB (2110-40 beside 2110-20 video), median of %d:" % (
    os.path.getsize(capture) / 1e6, runs))
print("  scte104 --anc --json-lines --port 5004  %8.1f ms" % (a * 1e3))
print("  tcpdump -r FILE -w /dev/null            %8.1f ms   ratio %.2f (target <= 3.00)" % (b * 1e3, a / b))
PY
small_kb=$(/usr/bin/time -f "%M" "$tool" --anc --json-lines --port 5004 "$work/anc_64m.pcap" 2>&1 >/dev/null | tail -n 1)
large_kb=$(/usr/bin/time -f "%M" "$tool" --anc --json-lines --port 5004 "$work/anc.pcap" 2>&1 >/dev/null | tail -n 1)
python3 -c "import sys; s, l = int(sys.argv[1]), int(sys.argv[2]); print('peak resident memory --anc: %.1f MB at 64 MB, %.1f MB at 1 GB (targets < 32 MB, within 2 MB)' % (s / 1024, l / 1024))" "$small_kb" "$large_kb"
# --ts on a 1 GB transport stream against cat, and its memory.
bench/compare_ts.sh
